case/unjoined.sim case/unjoined.sim
