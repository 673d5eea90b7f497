# place_data: puts the generated demo data into the run folder without ever replacing a file a
# person changed there. The generator writes into GEN; each file NAME is copied to RUN when RUN
# has none, when RUN's copy is what this script last put there (its SHA-256 is kept beside the
# generated file as GEN/NAME.placed), or when it already is the generated file. Any other file in
# RUN is somebody's own: it stays, and one line says so and how to get the generated one back.
#   cmake -DGEN=DIR -DRUN=DIR -DNAMES=vh_data.clu,credits.txt -P place_data.cmake
cmake_minimum_required(VERSION 3.21) # file(COPY_FILE)
foreach(var GEN RUN NAMES)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "place_data: ${var} is not set")
    endif()
endforeach()

string(REPLACE "," ";" NAMES "${NAMES}")
foreach(name IN LISTS NAMES)
    set(generated "${GEN}/${name}")
    set(placed "${RUN}/${name}")
    set(record "${GEN}/${name}.placed")
    if(NOT EXISTS "${generated}")
        message(FATAL_ERROR "place_data: ${generated} is missing; the generator did not make it")
    endif()
    file(SHA256 "${generated}" want)

    # A link or a folder in its place is somebody's own arrangement: never written through.
    set(have "")
    set(take TRUE)
    if(IS_SYMLINK "${placed}" OR IS_DIRECTORY "${placed}")
        message(NOTICE "${placed}: is a link or a folder, so it is kept (yours); "
                       "the generated file is ${generated}")
        continue()
    elseif(EXISTS "${placed}")
        file(SHA256 "${placed}" have)
        set(last "")
        if(EXISTS "${record}")
            file(READ "${record}" last)
            string(STRIP "${last}" last)
        endif()
        if(NOT ("${have}" STREQUAL "${want}" OR "${have}" STREQUAL "${last}"))
            set(take FALSE)
        endif()
    endif()

    if(take)
        if(NOT "${have}" STREQUAL "${want}")
            # Copied beside the old file and renamed over it, so a build stopped half-way never
            # leaves a cut archive that the next build would take for its own.
            file(COPY_FILE "${generated}" "${placed}.placing")
            file(RENAME "${placed}.placing" "${placed}")
        endif()
        file(WRITE "${record}" "${want}\n")
    else()
        message(NOTICE "${placed}: differs from what the build last put there, so it is kept (yours); "
                       "the generated one is ${generated}: copy it over, or remove yours and build again")
    endif()
endforeach()
