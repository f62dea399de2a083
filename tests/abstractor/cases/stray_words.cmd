examples/subckt_library/diffpair examples/sim/amp.sim f kept.txt
examples/subckt_library/diffpair examples/sim/amp.sim foo
examples/subckt_library/diffpair examples/sim/amp.sim -y pairs.txt -t extra
examples/subckt_library/diffpair examples/sim/amp.sim -f matches.txt -h
examples/subckt_library/diffpair examples/sim/amp.sim -r result.txt -q
