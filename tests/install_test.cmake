# Installs the build into a fresh prefix and checks that a desktop finds the program there.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P install_test.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path bin/lipimattam bin/lipimattam-cli share/applications/org.lipimattam.Lipimattam.desktop
             share/metainfo/org.lipimattam.Lipimattam.metainfo.xml
             share/man/man1/lipimattam.1.gz share/man/man1/lipimattam-cli.1.gz
             share/icons/hicolor/16x16/apps/lipimattam.png
             share/icons/hicolor/24x24/apps/lipimattam.png
             share/icons/hicolor/32x32/apps/lipimattam.png
             share/icons/hicolor/48x48/apps/lipimattam.png
             share/icons/hicolor/64x64/apps/lipimattam.png
             share/icons/hicolor/128x128/apps/lipimattam.png
             share/icons/hicolor/256x256/apps/lipimattam.png
             share/icons/hicolor/512x512/apps/lipimattam.png
             share/icons/hicolor/scalable/apps/lipimattam.svg
             share/bash-completion/completions/lipimattam-cli
             share/lipimattam/fonts/LipimattamML-TT.ttf share/lipimattam/fonts/OFL.txt)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(READ "${PREFIX}/share/applications/org.lipimattam.Lipimattam.desktop" entry)
foreach(line "Exec=lipimattam" "Icon=lipimattam" "Categories=Utility;TextTools;")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "desktop entry lacks ${line}")
  endif()
endforeach()
string(FIND "${entry}" "Malayalam" at)
if(at EQUAL -1)
  message(FATAL_ERROR "desktop entry keywords lack Malayalam")
endif()
# The display font goes with the licence it is under.
file(READ "${PREFIX}/share/lipimattam/fonts/OFL.txt" licence)
foreach(words "SIL OPEN FONT LICENSE" "Reserved Font Name AnjaliOldLipi" "Lipimattam ML-TT")
  string(FIND "${licence}" "${words}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "OFL.txt lacks ${words}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
