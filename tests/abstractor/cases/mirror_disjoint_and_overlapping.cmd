examples/subckt_library/mirror examples/sim/amp.sim -f matches
examples/subckt_library/mirror examples/sim/amp.sim -m -y pairs
examples/subckt_library/mirror examples/sim/amp.sim -y pairs2 -r result -P
