# The two commands that matter: `make run` and `make test`.
.PHONY: deps configure build test run install package asan tsan fuzz bench clean

CMAKE ?= cmake
CTEST ?= ctest

deps:
	@bash scripts/install-deps.sh

configure: deps
	@$(CMAKE) --preset default >/dev/null

build: configure
	@$(CMAKE) --build --preset default

test: build
	@$(CTEST) --preset default

run: build
	@bash scripts/run.sh

# PREFIX=/usr/local by default; the player, youranmusic-cli and the decoder
# plug-ins (lib/youranmusic/Plugins).
PREFIX ?= /usr/local
install: build
	@$(CMAKE) --install build --prefix $(PREFIX)

# build/youranmusic_<version>_<arch>.deb, for `sudo apt install ./build/youranmusic_*.deb`.
package: build
	@cd build && cpack

asan: deps
	@$(CMAKE) --preset asan >/dev/null
	@$(CMAKE) --build --preset asan
	@$(CTEST) --preset asan

tsan: deps
	@$(CMAKE) --preset tsan >/dev/null
	@$(CMAKE) --build --preset tsan
	@$(CTEST) --preset tsan

fuzz: deps
	@$(CMAKE) --preset fuzz >/dev/null
	@$(CMAKE) --build --preset fuzz

bench: build
	@bash bench/run.sh

clean:
	rm -rf build build-asan build-tsan build-fuzz
