case/twosub.sim examples/sim/amp.sim
