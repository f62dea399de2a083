examples/subckt_library/crosscoupled examples/sim/amp.sim
examples/subckt_library/diffpair_p examples/sim/amp.sim
examples/subckt_library/cascode_mirror examples/sim/amp.sim
examples/subckt_library/inverter case/aliased.sim
