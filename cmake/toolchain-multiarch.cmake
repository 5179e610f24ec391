# Shared part of the ARM toolchain files: Debian's multiarch cross compilers,
# target libraries from the :arm64/:armhf packages under /usr/lib/<triplet>,
# and qemu-user to run what was built. Set KV_TRIPLET, KV_PROCESSOR and
# KV_QEMU before including this file.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${KV_PROCESSOR})
set(CMAKE_C_COMPILER ${KV_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${KV_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${KV_TRIPLET})

# Multiarch keeps target and host libraries side by side under one root, so the
# search stays on / and the triplet picks the right folder. Build tools
# (sqlite3, pkg-config) are the host's.
set(CMAKE_FIND_ROOT_PATH /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${KV_TRIPLET}/pkgconfig:/usr/share/pkgconfig)

# Every emulated run (test discovery included) is bounded. No -L: the target's
# own loader and libc come from the multiarch packages, which keeps qemu away
# from the cross toolchain's copy (a mismatch hangs at the first thread).
if(NOT DEFINED KV_EMULATOR_TIMEOUT)
  set(KV_EMULATOR_TIMEOUT 900)
endif()
find_program(KV_QEMU_PATH ${KV_QEMU} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR
    timeout --kill-after=10 ${KV_EMULATOR_TIMEOUT} ${KV_QEMU_PATH}
    -E LD_LIBRARY_PATH=/usr/lib/${KV_TRIPLET}:/lib/${KV_TRIPLET})
