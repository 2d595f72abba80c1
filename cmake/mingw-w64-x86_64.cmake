# Cross build for 64-bit Windows with the posix-thread mingw-w64 compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KES_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${KES_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KES_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${KES_MINGW_TRIPLE}-windres)
set(CMAKE_AR           /usr/bin/${KES_MINGW_TRIPLE}-ar)
set(CMAKE_RANLIB       /usr/bin/${KES_MINGW_TRIPLE}-ranlib)

set(CMAKE_FIND_ROOT_PATH /usr/${KES_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No mingw runtime DLLs next to the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
