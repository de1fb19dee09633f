# What `cmake --install` puts in place: the program, its help documents with their pictures, its
# manual page, and what a desktop needs to list and start it (entry, icons, metadata, the
# session bus's service file). In the build tree the documents are copied beside the program,
# where it finds them too.

set(FG_DOCUMENTS readme.html style.css)
file(GLOB FG_DOCUMENT_PICTURES CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/docs
    ${PROJECT_SOURCE_DIR}/docs/pictures/*.png)
# the download page names the home page of project()
configure_file(docs/download.html ${CMAKE_BINARY_DIR}/download.html @ONLY)
set(FG_DOCUMENTS_IN_BUILD)
foreach(file IN LISTS FG_DOCUMENTS FG_DOCUMENT_PICTURES)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${file}
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/${file} ${CMAKE_BINARY_DIR}/${file}
        DEPENDS ${PROJECT_SOURCE_DIR}/docs/${file} VERBATIM)
    list(APPEND FG_DOCUMENTS_IN_BUILD ${CMAKE_BINARY_DIR}/${file})
endforeach()

# the icon is drawn once, as SVG; the sizes that desktops ask for as PNG are rendered from it
find_program(FG_RSVG_CONVERT rsvg-convert REQUIRED)
set(FG_ICON_SVG ${PROJECT_SOURCE_DIR}/data/framegrove.svg)
set(FG_ICON_SIZES 16 24 32 48 64 128 256)
set(FG_ICON_PNGS)
foreach(size IN LISTS FG_ICON_SIZES)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/${FG_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
        COMMAND ${FG_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${FG_ICON_SVG}
        DEPENDS ${FG_ICON_SVG} VERBATIM)
    list(APPEND FG_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(fg_shipped_files ALL DEPENDS ${FG_DOCUMENTS_IN_BUILD} ${FG_ICON_PNGS})

# the day the version in project() was released; the two change together
set(FG_RELEASE_DATE 2026-12-09)
configure_file(data/framegrove.metainfo.xml.in ${CMAKE_BINARY_DIR}/${FG_APP_ID}.metainfo.xml @ONLY)

install(TARGETS framegrove framegrove-clipboard-keeper RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(file IN LISTS FG_DOCUMENTS FG_DOCUMENT_PICTURES)
    get_filename_component(folder ${file} DIRECTORY)
    install(FILES docs/${file} DESTINATION ${FG_INSTALL_DOCUMENTDIR}/${folder})
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/download.html DESTINATION ${FG_INSTALL_DOCUMENTDIR})
# the desktop entry and the D-Bus service file name the installed program by its absolute path,
# which only the installation knows
install(CODE "
    set(FG_SOURCE_DIR [[${PROJECT_SOURCE_DIR}]])
    set(FG_BINARY_DIR [[${PROJECT_BINARY_DIR}]])
    set(FG_APP_ID ${FG_APP_ID})
    set(FG_BINDIR [[${CMAKE_INSTALL_BINDIR}]])
    set(FG_DATADIR [[${CMAKE_INSTALL_DATADIR}]])
    include([[${PROJECT_SOURCE_DIR}/cmake/installed_launchers.cmake]])")
install(FILES ${FG_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${FG_APP_ID}.svg)
install(FILES ${CMAKE_BINARY_DIR}/${FG_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# the manual page: the options as the program's --help gives them, the rest from data/
find_program(FG_HELP2MAN help2man REQUIRED)
set(FG_MANUAL ${CMAKE_BINARY_DIR}/framegrove.1)
add_custom_command(OUTPUT ${FG_MANUAL}
    COMMAND ${FG_HELP2MAN} --no-info --section 1 --include ${PROJECT_SOURCE_DIR}/data/framegrove.h2m
        --output ${FG_MANUAL} $<TARGET_FILE:framegrove>
    DEPENDS framegrove ${PROJECT_SOURCE_DIR}/data/framegrove.h2m VERBATIM)
add_custom_target(fg_manual ALL DEPENDS ${FG_MANUAL})
install(FILES ${FG_MANUAL} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
