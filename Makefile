# Front door of the project. Every target first installs what it needs (scripts/setup.sh)
# and runs anything that opens a socket inside a private network namespace.
.PHONY: test exe msi qnsend demo bench fuzz setup clean

setup:
	@scripts/setup.sh

test: setup
	@scripts/netns.sh tests/scripts/run_all.sh

exe: setup
	@scripts/build.sh win --target Quillnet qnsend
	@mkdir -p out && cp build/win/Quillnet.exe build/win/qnsend.exe out/ && echo "out/Quillnet.exe and out/qnsend.exe built"

# The Windows Installer package. With SIGN_CERT=... SIGN_KEY=... (and SIGN_PASS=...
# for a protected key) the executables and the package are signed with osslsigncode.
msi: setup
	@scripts/build.sh win --target Quillnet qnsend QnSetup
	@SIGN_CERT="$(SIGN_CERT)" SIGN_KEY="$(SIGN_KEY)" SIGN_PASS="$(SIGN_PASS)" scripts/build_msi.sh out/Quillnet.msi

qnsend: setup
	@scripts/build.sh native --target qnsend
	@mkdir -p out && cp build/native/qnsend out/qnsend && echo "out/qnsend built"

demo: exe qnsend
	@scripts/build.sh win --target e2e_driver
	@scripts/demo.sh

bench: setup
	@if [ -x bench/run_bench.sh ]; then scripts/netns.sh bench/run_bench.sh; else \
	  echo "make bench: the benchmark suite is not written yet."; exit 1; fi

fuzz: setup
	@scripts/build.sh fuzz && scripts/netns.sh tests/scripts/run_fuzz.sh $${FUZZ_SECONDS:-300}

clean:
	rm -rf build out
