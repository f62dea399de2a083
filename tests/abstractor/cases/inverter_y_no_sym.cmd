examples/subckt_library/inverter case/inverters.sim -y out
