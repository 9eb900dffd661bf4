# The program's version in the forms its users meet, all derived from PROJECT_VERSION:
#   HOVERDECK_VERSION_NAME   "1.1h": major.minor and the tweak as a letter (8 = h), shown in
#                            captions, titles and the about box
#   HOVERDECK_VERSION_TEXT   "1.01.0008": the text fields of the Windows version record
# and writes them to <build>/generated/Version.h for the C++ sources and the resource script.
set(_letters abcdefghijklmnopqrstuvwxyz)
set(HOVERDECK_VERSION_NAME "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
if(PROJECT_VERSION_TWEAK GREATER 0 AND PROJECT_VERSION_TWEAK LESS_EQUAL 26)
  math(EXPR _index "${PROJECT_VERSION_TWEAK} - 1")
  string(SUBSTRING ${_letters} ${_index} 1 _letter)
  string(APPEND HOVERDECK_VERSION_NAME ${_letter})
elseif(PROJECT_VERSION_TWEAK GREATER 26)
  message(FATAL_ERROR "the tweak of the version (${PROJECT_VERSION_TWEAK}) has no letter")
endif()

set(_minor "0${PROJECT_VERSION_MINOR}")
string(LENGTH ${_minor} _length)
math(EXPR _from "${_length} - 2")
string(SUBSTRING ${_minor} ${_from} 2 _minor)
set(_tweak "000${PROJECT_VERSION_TWEAK}")
string(LENGTH ${_tweak} _length)
math(EXPR _from "${_length} - 4")
string(SUBSTRING ${_tweak} ${_from} 4 _tweak)
set(HOVERDECK_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${_minor}.${_tweak}")

configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in ${CMAKE_BINARY_DIR}/generated/Version.h @ONLY)
