# Front door of the project. Every target first installs what it needs (scripts/setup.sh)
# and runs anything that opens a socket inside a private network namespace.
.PHONY: test exe demo bench fuzz setup clean

setup:
	@scripts/setup.sh

test: setup
	@scripts/netns.sh tests/scripts/run_all.sh

exe: setup
	@scripts/build.sh win --target Quillnet
	@mkdir -p out && cp build/win/Quillnet.exe out/Quillnet.exe && echo "out/Quillnet.exe built"

demo: exe
	@scripts/build.sh win --target e2e_driver
	@scripts/demo.sh

bench: setup
	@if [ -x bench/run_bench.sh ]; then scripts/netns.sh bench/run_bench.sh; else \
	  echo "make bench: the benchmark suite is not written yet."; exit 1; fi

fuzz: setup
	@scripts/build.sh fuzz && scripts/netns.sh tests/scripts/run_fuzz.sh $${FUZZ_SECONDS:-300}

clean:
	rm -rf build out
