examples/subckt_library/nonexistent examples/sim/amp.sim
examples/subckt_library/diffpair examples/sim/nonexistent.sim
