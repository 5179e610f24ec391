# 32-bit Raspberry Pi OS on an ARMv7 processor (Raspberry Pi 2 or later),
# cross-built on Debian:
#   cmake -S . -B build-armhf -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-armhf.cmake
# Debian's armhf compiler targets ARMv7-A with VFPv3-D16 by default: the
# ARMv6 boards (Raspberry Pi 1, Zero) cannot run the result.
set(KV_TRIPLET arm-linux-gnueabihf)
set(KV_PROCESSOR armv7l)
set(KV_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-multiarch.cmake)
