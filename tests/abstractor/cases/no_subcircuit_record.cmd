case/nosub.sim examples/sim/amp.sim
