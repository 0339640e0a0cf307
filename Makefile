# lensflare_ui: the two commands a new user needs.
#   make demo   build, then open the editor in the demo host (a screenshot
#               to build/demo/editor.png when there is no display)
#   make test   build everything and run every test
#   make package  the release archive, build/win/package/lensflare_ui-*.zip
#   make docs   the user guide's pictures, docs/images/guide/, and the custom
#               controls' gallery, docs/images/controls.png, from the real DLL
# Both install the Debian packages they need when missing (as root).

BUILD      ?= build
WIN_BUILD  := $(BUILD)/win
NAT_BUILD  := $(BUILD)/native
JOBS       ?= $(shell nproc)
WINE_RUN   := $(CURDIR)/tools/wine-run
PACKAGES   := cmake make g++ python3 wine64 fonts-wine g++-mingw-w64-x86-64-posix mingw-w64-tools \
              xvfb xauth x11-utils openbox googletest libbenchmark-dev libstb-dev pandoc
DEMO_DIR   := $(CURDIR)/$(BUILD)/demo
# Rebuilds reuse earlier compiles where ccache is installed; paths below the
# checkout are hashed relative to it, so every checkout shares one cache.
CCACHE     := $(shell command -v ccache 2>/dev/null)
ifneq ($(CCACHE),)
LAUNCHER   := -DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE) -DCMAKE_C_COMPILER_LAUNCHER=$(CCACHE)
export CCACHE_BASEDIR ?= $(CURDIR)
endif

.PHONY: all deps build build-win build-native test demo package docs bench stop-wine clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	    dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	    echo "installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
	fi

$(WIN_BUILD)/Makefile:
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release $(LAUNCHER)

$(NAT_BUILD)/Makefile:
	cmake -S . -B $(NAT_BUILD) -DCMAKE_BUILD_TYPE=Release $(LAUNCHER)

build-win: deps $(WIN_BUILD)/Makefile
	cmake --build $(WIN_BUILD) -j $(JOBS)

build-native: deps $(NAT_BUILD)/Makefile
	cmake --build $(NAT_BUILD) -j $(JOBS)

build: build-win build-native

test: build
	@tools/run-tests $(NAT_BUILD) $(WIN_BUILD)

# Wine maps the Unix root to drive Z:, so a Unix path is Z: plus itself
# with backslashes.
WIN_DEMO_DIR := Z:$(subst /,\,$(DEMO_DIR))

demo: build-win
	@mkdir -p $(DEMO_DIR)
	@if [ -n "$$DISPLAY" ]; then \
	    cd $(WIN_BUILD)/bin && WINE_DISPLAY_DRIVER=x11 $(WINE_RUN) flarehost.exe --data '$(WIN_DEMO_DIR)'; \
	else \
	    cd $(WIN_BUILD)/bin && $(WINE_RUN) flarehost.exe --data '$(WIN_DEMO_DIR)' \
	        --screenshot '$(WIN_DEMO_DIR)\editor.png' && \
	    echo "demo: no display, so the editor was saved to $(DEMO_DIR)/editor.png"; \
	fi

package: build-win
	@cd $(WIN_BUILD) && cpack --config CPackConfig.cmake >/dev/null && \
	    echo "package: $$(ls $(CURDIR)/$(WIN_BUILD)/package/*.zip)"

GALLERY    := Z:$(subst /,\,$(CURDIR)/docs/images/controls.png)

docs: build-win
	@tools/make-guide-pictures $(WIN_BUILD) docs/images/guide
	@cd $(WIN_BUILD)/bin && WINE_DISPLAY_DRIVER=null $(WINE_RUN) control_gallery.exe '$(GALLERY)'

bench: build-native
	@for b in $(NAT_BUILD)/bin/*_bench; do [ -x "$$b" ] && "$$b"; done; true

stop-wine:
	@WINEPREFIX=$(CURDIR)/$(BUILD)/wineprefix wineserver -k 2>/dev/null; true

clean:
	rm -rf $(BUILD)
