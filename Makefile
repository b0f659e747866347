# Front door: make deps | build | test | demo | gui | bench
SHELL := /bin/bash
BUILD_RELEASE := build/release
BUILD_TEST := build/test
JOBS ?= $(shell nproc)

DEB_PACKAGES := cmake ninja-build g++ pkg-config make \
  qt6-base-dev libgl-dev \
  libopencv-dev zlib1g-dev libjpeg62-turbo-dev \
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev \
  libpng-dev libtiff-tools pngcheck ffmpeg python3 \
  libgtest-dev libgmock-dev libbenchmark-dev

.PHONY: deps build test demo gui bench clean

deps:
	@missing=$$(for p in $(DEB_PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -z "$$missing" ]; then echo "deps: all packages installed"; exit 0; fi; \
	echo "deps: installing $$missing"; \
	if [ "$$(id -u)" -eq 0 ]; then \
	  export DEBIAN_FRONTEND=noninteractive; \
	  apt-get update && apt-get install -y --no-install-recommends $$missing; \
	else \
	  echo "Run as root:  sudo apt-get update && sudo apt-get install -y --no-install-recommends $$missing"; exit 1; \
	fi

$(BUILD_RELEASE)/build.ninja:
	cmake -S . -B $(BUILD_RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVANE_BUILD_TESTS=OFF -DLUMIVANE_BUILD_BENCH=ON

$(BUILD_TEST)/build.ninja:
	cmake -S . -B $(BUILD_TEST) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMIVANE_SANITIZE=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"

build: deps $(BUILD_RELEASE)/build.ninja
	cmake --build $(BUILD_RELEASE) -j $(JOBS)

test: deps $(BUILD_TEST)/build.ninja
	cmake --build $(BUILD_TEST) -j $(JOBS)
	cd $(BUILD_TEST) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

demo: build
	@bash tools/demo.sh $(BUILD_RELEASE)

gui: build
	$(BUILD_RELEASE)/src/app/lumivane

bench: build
	@bash bench/run.sh $(BUILD_RELEASE)

clean:
	rm -rf build
