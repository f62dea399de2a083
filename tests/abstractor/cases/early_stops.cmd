case/noname.sim examples/sim/amp.sim
case/nosymnumber.sim examples/sim/amp.sim
