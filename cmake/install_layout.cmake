# Where the installed program keeps what it ships. The program finds each folder relative to its
# own, so that a package works under any prefix; the build tree keeps everything beside the
# program instead.
include(GNUInstallDirs)

# the desktop's name for the program: its entry, icon and metadata
set(FG_APP_ID org.framegrove.Framegrove)
set(FG_INSTALL_DOCUMENTDIR ${CMAKE_INSTALL_DATADIR}/framegrove)
set(FG_INSTALL_PLUGINDIR ${CMAKE_INSTALL_LIBDIR}/framegrove/plugins)
file(RELATIVE_PATH FG_DOCUMENTS_FROM_PROGRAM ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_PREFIX}/${FG_INSTALL_DOCUMENTDIR})
file(RELATIVE_PATH FG_PLUGINS_FROM_PROGRAM ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_PREFIX}/${FG_INSTALL_PLUGINDIR})

# fg_shipped_plugin(<target>): a plugin that the program loads at its first use, built beside
# the program and installed where the program looks for plugins.
function(fg_shipped_plugin target)
    set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
    install(TARGETS ${target} LIBRARY DESTINATION ${FG_INSTALL_PLUGINDIR})
endfunction()
