# The resampler of speexdsp, which wave conversion converts rates with, compiled from the
# Debian source that tools/install-deps.sh fetches into build/third_party (it is never part
# of this repository), linked statically into every program of this build. Only resample.c:
# the rest of the library (echo canceller, preprocessor, jitter buffer) is of no use here.
set(VORLAN_SPEEXDSP_DIR ${PROJECT_SOURCE_DIR}/build/third_party/speexdsp CACHE PATH
    "Unpacked speexdsp source (tools/fetch-resampler.sh puts it there)")
if(NOT EXISTS ${VORLAN_SPEEXDSP_DIR}/libspeexdsp/resample.c)
  message(FATAL_ERROR "No speexdsp source in ${VORLAN_SPEEXDSP_DIR}: run tools/install-deps.sh first.")
endif()
# The integer types its configure step would write.
set(INCLUDE_STDINT "#include <stdint.h>")
set(SIZE16 int16_t)
set(USIZE16 uint16_t)
set(SIZE32 int32_t)
set(USIZE32 uint32_t)
configure_file(${VORLAN_SPEEXDSP_DIR}/include/speex/speexdsp_config_types.h.in
               ${CMAKE_BINARY_DIR}/speexdsp/speex/speexdsp_config_types.h @ONLY)
add_library(vorlan_speexdsp STATIC ${VORLAN_SPEEXDSP_DIR}/libspeexdsp/resample.c)
# The float build, its inner products in SSE with double sums (SSE2): both builds have them
# (the 32-bit one through -msse2) and round alike.
target_compile_definitions(vorlan_speexdsp PRIVATE FLOATING_POINT USE_SSE USE_SSE2 EXPORT=)
target_compile_options(vorlan_speexdsp PRIVATE -w)
target_include_directories(vorlan_speexdsp PRIVATE ${CMAKE_BINARY_DIR}/speexdsp)
target_include_directories(vorlan_speexdsp SYSTEM PUBLIC ${VORLAN_SPEEXDSP_DIR}/include
                           ${CMAKE_BINARY_DIR}/speexdsp)
