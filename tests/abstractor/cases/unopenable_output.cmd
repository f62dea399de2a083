examples/subckt_library/diffpair examples/sim/amp.sim -f no/such/folder/matches
examples/subckt_library/diffpair examples/sim/amp.sim -y no/such/folder/pairs
examples/subckt_library/diffpair examples/sim/amp.sim -r no/such/folder/result
