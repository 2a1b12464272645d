find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(qpdf REQUIRED)
find_package(nlohmann_json REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(CLI11 QUIET CONFIG)
if(NOT TARGET CLI11::CLI11)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
endif()

# Graphics, text, PDF drawing, image decoding and QR encoding.
pkg_check_modules(FENGFX REQUIRED IMPORTED_TARGET
    cairo cairo-pdf cairo-png pangocairo pango fontconfig poppler-glib gdk-pixbuf-2.0 glib-2.0
    gio-2.0 libqrencode zlib)
# Packing of the pixels of pictures written into PDF files.
pkg_check_modules(FENDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
pkg_check_modules(FENICU REQUIRED IMPORTED_TARGET icu-uc icu-i18n)
# Text-list import and the earlier version's settings.
pkg_check_modules(FENTEXTIO REQUIRED IMPORTED_TARGET uchardet libplist-2.0)
