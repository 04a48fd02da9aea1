# cmake -DSOURCE_DIR=... -DVERSION=... -DOUTPUT=.../build_version_text.h -P BuildVersion.cmake
# Runs at every build: the project version and, in a git checkout, the commit. The file is
# rewritten only when its text changes, so an unchanged commit rebuilds nothing.
set(text "${VERSION}")
find_program(GIT git)
if(GIT)
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} describe --always --dirty --abbrev=7
        OUTPUT_VARIABLE commit ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(rc EQUAL 0 AND commit)
        set(text "${VERSION} (git ${commit})")
    endif()
endif()
set(content "#define ORMIX_BUILD_VERSION \"${text}\"\n")
if(EXISTS ${OUTPUT})
    file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL content)
    file(WRITE ${OUTPUT} "${content}")
endif()
