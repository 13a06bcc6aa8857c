# What `cmake --install` puts where, and the Debian package made from it
# (`cpack -G DEB` in the build directory). The support files' defaults are
# baked into the program (KG_LIB_DIR), so configure with the prefix you
# install under: -DCMAKE_INSTALL_PREFIX=/usr for a package.
include(GNUInstallDirs)

# The manual page names the support files where this build will look.
file(READ ${CMAKE_SOURCE_DIR}/doc/kifugram.1 KG_MANUAL)
string(REGEX REPLACE "\n\\.ds LD [^\n]*" "\n.ds LD ${KG_LIB_DIR}" KG_MANUAL "${KG_MANUAL}")
string(REGEX REPLACE "\n\\.ds TM [^\n]*" "\n.ds TM ${CMAKE_INSTALL_PREFIX}/${KG_TEXMF_DIR}" KG_MANUAL "${KG_MANUAL}")
file(WRITE ${CMAKE_BINARY_DIR}/doc/kifugram.1.new "${KG_MANUAL}")
file(COPY_FILE ${CMAKE_BINARY_DIR}/doc/kifugram.1.new ${CMAKE_BINARY_DIR}/doc/kifugram.1 ONLY_IF_DIFFERENT)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/doc/kifugram.1)
set(KG_MANUALS ${CMAKE_BINARY_DIR}/doc/kifugram.1.gz)
foreach(alias kifugram-book kifugram-batch)
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/doc/${alias}.1 CONTENT ".so man1/kifugram.1\n")
  list(APPEND KG_MANUALS ${CMAKE_BINARY_DIR}/doc/${alias}.1.gz)
endforeach()
add_custom_command(OUTPUT ${KG_MANUALS}
  COMMAND gzip -9nkf kifugram.1 kifugram-book.1 kifugram-batch.1
  DEPENDS ${CMAKE_BINARY_DIR}/doc/kifugram.1
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/doc
  VERBATIM)
add_custom_target(manual ALL DEPENDS ${KG_MANUALS})

install(TARGETS kifugram RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS scripts/kifugram-book scripts/kifugram-batch DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KG_MANUALS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES examples/example-9x9.sgf DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kifugram)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "kifugram maintainers <maintainers@users.noreply.c-seed-204f1c77.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert and print records of games of Go")
set(CPACK_PACKAGE_DESCRIPTION "kifugram reads a game record (SGF, a Tavolin record or the standard format),
replays it under the rules of Go, and writes it out again as a record or
cuts it into numbered figures and variation diagrams: a LaTeX book with
PostScript figures, a go-font LaTeX document, text boards, a terminal
viewer, GIF pictures or linked web pages. kifugram-book makes a PDF book,
kifugram-batch converts whole collections in parallel.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The tools the outputs run: netpbm makes the GIF pictures of -to gif and
# html; LaTeX, the go fonts and Ghostscript make the books. The libraries the
# program links against are added when cpack runs (package-depends.cmake).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "netpbm")
set(KG_PROGRAM ${CMAKE_BINARY_DIR}/kifugram)
configure_file(cmake/package-depends.cmake.in ${CMAKE_BINARY_DIR}/package-depends.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/package-depends.cmake)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
  "texlive-latex-base, texlive-latex-recommended, texlive-latex-extra, texlive-games, ghostscript")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
include(CPack)
