examples/subckt_library/diffpair examples/sim/amp.sim -t -x
examples/subckt_library/diffpair examples/sim/amp.sim -f
