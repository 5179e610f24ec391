# 64-bit Raspberry Pi OS (Raspberry Pi 3 or later), cross-built on Debian:
#   cmake -S . -B build-arm64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-aarch64.cmake
set(KV_TRIPLET aarch64-linux-gnu)
set(KV_PROCESSOR aarch64)
set(KV_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-multiarch.cmake)
