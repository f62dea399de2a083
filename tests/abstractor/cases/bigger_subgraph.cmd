examples/subckt_library/cascode_mirror case/nosub.sim
