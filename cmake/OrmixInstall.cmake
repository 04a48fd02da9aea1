# Installed like Debian software: GNU folders, and manual pages compressed as Debian
# ships them.
include(GNUInstallDirs)

# ormix_install_man(<page.N>): the page beside the calling CMakeLists.txt, gzipped without
# a time stamp (reproducible), into man/manN.
function(ormix_install_man page)
    get_filename_component(name ${page} NAME)
    string(REGEX MATCH "[0-9]$" section ${name})
    set(source ${CMAKE_CURRENT_SOURCE_DIR}/${page})
    set(compressed ${CMAKE_BINARY_DIR}/man/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${source} ${compressed}
        DEPENDS ${source}
        VERBATIM
    )
    add_custom_target(man_${name} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
