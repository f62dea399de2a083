examples/subckt_library/diffpair examples/sim/amp.sim -h
