examples/subckt_library/mirror_p examples/sim/amp.sim -r result
examples/subckt_library/mirror result -m
examples/subckt_library/mirror_p result
