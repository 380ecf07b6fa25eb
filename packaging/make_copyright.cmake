# Writes the Debian copyright file: packaging/copyright.in, then the OFL's text (as the display
# font's build extracted it) as the last licence paragraph.
#   cmake -DTEMPLATE=... -DLICENCE=... -DOUT=... -P make_copyright.cmake
file(READ "${TEMPLATE}" copyright)
file(STRINGS "${LICENCE}" lines)
set(in_licence FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^SIL OPEN FONT LICENSE")
    set(in_licence TRUE)
  endif()
  if(in_licence)
    if(line STREQUAL "")
      string(APPEND copyright " .\n")
    else()
      string(APPEND copyright " ${line}\n")
    endif()
  endif()
endforeach()
file(WRITE "${OUT}" "${copyright}")
