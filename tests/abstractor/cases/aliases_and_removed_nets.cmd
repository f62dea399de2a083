examples/subckt_library/diffpair case/aliased.sim -z -f found
