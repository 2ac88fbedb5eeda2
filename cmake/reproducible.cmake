# The same sources give the same program wherever they are built: the
# resource compiler's format that keeps no file times (the build's paths are
# made relative by the flags of cmake/hardening.cmake).
set(CMAKE_AUTORCC_OPTIONS --format-version 1)
