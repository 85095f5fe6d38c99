# libsamplerate, the resampler of wave conversion, compiled from the Debian source that
# tools/install-deps.sh fetches into build/third_party (it is never part of this repository),
# linked statically into every program of this build.
set(VORLAN_SAMPLERATE_DIR ${PROJECT_SOURCE_DIR}/build/third_party/libsamplerate CACHE PATH
    "Unpacked libsamplerate source (tools/fetch-resampler.sh puts it there)")
if(NOT EXISTS ${VORLAN_SAMPLERATE_DIR}/src/samplerate.c)
  message(FATAL_ERROR "No libsamplerate source in ${VORLAN_SAMPLERATE_DIR}: run tools/install-deps.sh first.")
endif()
add_library(vorlan_samplerate STATIC
  ${VORLAN_SAMPLERATE_DIR}/src/samplerate.c
  ${VORLAN_SAMPLERATE_DIR}/src/src_sinc.c
  ${VORLAN_SAMPLERATE_DIR}/src/src_linear.c
  ${VORLAN_SAMPLERATE_DIR}/src/src_zoh.c)
# What its own configure step would define, with the one sinc converter conversion uses: each
# converter's table goes into every program.
target_compile_definitions(vorlan_samplerate PRIVATE HAVE_STDBOOL_H=1 PACKAGE="libsamplerate" VERSION="0.2.2"
                           ENABLE_SINC_BEST_CONVERTER=1)
target_compile_options(vorlan_samplerate PRIVATE -w)
target_include_directories(vorlan_samplerate SYSTEM PUBLIC ${VORLAN_SAMPLERATE_DIR}/include)
