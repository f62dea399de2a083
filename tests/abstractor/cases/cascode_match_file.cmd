examples/subckt_library/cascode_mirror case/cascode.sim -f found -y sym
