examples/subckt_library/diffpair case/baddevice.sim
