examples/subckt_library/diffpair examples/sim/amp.sim -y out
examples/subckt_library/diffpair examples/sim/amp.sim -y out
