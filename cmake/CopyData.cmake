# Copies SRC into DST without overwriting files that are newer at the destination,
# so that settings the program wrote in the build tree survive a rebuild.
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(f IN LISTS files)
    set(to ${DST}/${f})
    if(NOT EXISTS ${to} OR ${SRC}/${f} IS_NEWER_THAN ${to})
        get_filename_component(dir ${to} DIRECTORY)
        file(COPY ${SRC}/${f} DESTINATION ${dir})
    endif()
endforeach()
