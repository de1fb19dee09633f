# Run by `cmake --install` (and by the packager): writes the files through which the desktop
# starts the program, the desktop entry and the D-Bus service file, with the absolute path of
# the program as installed. The prefix is known only now: `--prefix` may differ from the one
# the build was configured with.
# Expects FG_SOURCE_DIR, FG_BINARY_DIR, FG_APP_ID, FG_BINDIR and FG_DATADIR (the last two as
# GNUInstallDirs gives them, relative to the prefix or absolute).

function(fg_installed_folder folder result)
    if(IS_ABSOLUTE "${folder}")
        set(${result} "${folder}" PARENT_SCOPE)
    else()
        set(${result} "${CMAKE_INSTALL_PREFIX}/${folder}" PARENT_SCOPE)
    endif()
endfunction()

# The program as one word of a command line: in double quotes, with the characters that keep a
# meaning inside them escaped, when the path holds anything a command line would split or expand.
function(fg_command_word path result)
    if(path MATCHES "[\n\r]")
        message(FATAL_ERROR "A program path with a line break cannot be started by the desktop: ${path}")
    endif()
    if(NOT path MATCHES "[ \t\"'\\\\><~|&;$*?#()`]")
        set(${result} "${path}" PARENT_SCOPE)
        return()
    endif()
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" escaped "${path}")
    set(${result} "\"${escaped}\"" PARENT_SCOPE)
endfunction()

fg_installed_folder("${FG_BINDIR}" bindir)
fg_installed_folder("${FG_DATADIR}" datadir)
fg_command_word("${bindir}/framegrove" command)
# the values of both files have escapes of their own, a backslash being written twice (dbus-daemon
# refuses a service file with a single one before a quote or "$"), and a desktop entry's command
# lines give "%" a meaning
string(REPLACE "\\" "\\\\" FG_DBUS_EXEC "${command}")
string(REPLACE "%" "%%" FG_DESKTOP_EXEC "${FG_DBUS_EXEC}")

# written beside the build first, in a folder of this installation's own so that two
# installations from one build at once do not meet, then installed (which honours DESTDIR and
# lists the files among the installed ones)
string(RANDOM LENGTH 12 run)
set(staging "${FG_BINARY_DIR}/installing-${run}")
configure_file("${FG_SOURCE_DIR}/data/framegrove.desktop.in" "${staging}/${FG_APP_ID}.desktop" @ONLY)
configure_file("${FG_SOURCE_DIR}/data/framegrove.service.in" "${staging}/${FG_APP_ID}.service" @ONLY)
file(INSTALL "${staging}/${FG_APP_ID}.desktop" DESTINATION "${datadir}/applications")
file(INSTALL "${staging}/${FG_APP_ID}.service" DESTINATION "${datadir}/dbus-1/services")
file(REMOVE_RECURSE "${staging}")
