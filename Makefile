# The two commands of the README, and a few more for developers. Each installs what is
# missing first (scripts/install-deps.sh), then configures and builds with CMake presets.
.PHONY: deps dev-deps run test sanitize tidy bench fuzz web package install-package format screenshot clean
FUZZ_SECONDS ?= 60

# What building and running need, and what development needs on top.
deps:
	@bash scripts/install-deps.sh

dev-deps:
	@bash scripts/install-deps.sh --dev

run: deps
	@cmake --preset app >/dev/null
	@cmake --build --preset app --target lipimattam lipimattam-cli
	@./build/app/ui/lipimattam

test: dev-deps
	@cmake --preset dev >/dev/null
	@cmake --build --preset dev
	@bash scripts/run-tests.sh dev

sanitize: dev-deps
	@cmake --preset asan-ubsan >/dev/null
	@cmake --build --preset asan-ubsan
	@bash scripts/run-tests.sh asan-ubsan

# clang-tidy with the committed .clang-tidy over the development build's sources.
tidy: dev-deps
	@cmake --preset dev >/dev/null
	@cmake --build --preset dev
	@bash scripts/run-clang-tidy.sh build/dev

bench: dev-deps
	@cmake --preset release -DLIPIMATTAM_BUILD_BENCHMARKS=ON >/dev/null
	@cmake --build --preset release
	@./build/release/bench/convert_bench
	@bench/filter_vs_iconv.sh
	@bench/web_vs_native.sh
	@bench/batch_throughput.sh 10000 4096

fuzz: dev-deps
	@bash scripts/run-fuzzers.sh $(FUZZ_SECONDS)

# The web page in build/web: open build/web/index.html, or put the folder on any host.
web: dev-deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target web
	@rm -rf build/web && mkdir -p build/web && cp build/release/web/page/* build/web/
	@echo "build/web/index.html"

# The Debian packages lipimattam and liblipimattam-dev, in build/release.
package: dev-deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release
	@rm -f build/release/*.deb
	@cd build/release && cpack -G DEB

# Installs the two packages with apt-get, as root or through sudo.
install-package: package
	@$$([ "$$(id -u)" -eq 0 ] || echo sudo) apt-get install -y ./build/release/*.deb

# The README's pictures: the window, in the display font, the page in Chromium, and a document
# before and after conversion, rendered by LibreOffice.
screenshot: dev-deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target lipimattam-screenshot web lipimattam-cli
	@QT_QPA_PLATFORM=offscreen ./build/release/ui/lipimattam-screenshot assets/screenshot.png
	@/usr/bin/python3 tests/web_test.py build/release/web/page/index.html --screenshot \
		assets/web-screenshot.png
	@bash scripts/document-screenshot.sh build/release assets

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf build
