# Runs at install time (see desktop.cmake): writes the menu entry with Exec set to the installed
# program. Expects `template`, `bindir` and `datadir`; CMAKE_INSTALL_PREFIX and DESTDIR are those
# of the installation.
if(IS_ABSOLUTE "${bindir}")
  set(program "${bindir}/rangwerk")
else()
  set(program "${CMAKE_INSTALL_PREFIX}/${bindir}/rangwerk")
endif()
if(IS_ABSOLUTE "${datadir}")
  set(entry "$ENV{DESTDIR}${datadir}/applications/rangwerk.desktop")
else()
  set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${datadir}/applications/rangwerk.desktop")
endif()

# The program path as one quoted argument of a desktop entry's Exec key: inside the quotes
# " ` $ and \ take a backslash, and every backslash is doubled once more by the string escaping
# of the entry's values; % is written %%.
string(REPLACE "\\" "\\\\\\\\" quoted "${program}")
string(REPLACE "\"" "\\\\\"" quoted "${quoted}")
string(REPLACE "`" "\\\\`" quoted "${quoted}")
string(REPLACE "$" "\\\\$" quoted "${quoted}")
string(REPLACE "%" "%%" quoted "${quoted}")
set(RANGWERK_DESKTOP_EXEC "\"${quoted}\"")

message(STATUS "Installing: ${entry}")
configure_file("${template}" "${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
