# Turns the pixel maps in this folder into the program's icon and bitmap files with ImageMagick.
#
# One picture:   cmake -DCONVERT=/usr/bin/convert -DSOURCE_DIR=res/icons -DSTEM=mainicon
#                      -DOUTPUT=out/mainicon.ico -P res/icons/MakeIcons.cmake
#                every "<stem>-<size>.txt" becomes one entry of the .ico; a .bmp output takes the single
#                map of its stem and flattens it onto white (24-bit BMP3, as windres reads it).
# Preview sheet: cmake -DCONVERT=/usr/bin/convert -DSOURCE_DIR=res/icons -DPREVIEW=out/preview.png
#                      -P res/icons/MakeIcons.cmake
#                every map at 8x on a checkerboard, with 1:1 copies on a light and a dark taskbar colour.
#
# A pixel map is plain text:
#   # comment lines start with "#"
#   Y = #f7c531 gold     legend: one letter or digit, " = ", an opaque colour, optional words
#   ....YY....           rows: one character per pixel, "." is fully transparent
# Every row has the same length. Only fully opaque and fully transparent pixels exist, so the AND mask
# ImageMagick writes into each icon entry is black exactly where the picture is drawn.

cmake_minimum_required(VERSION 3.25)

if(NOT CONVERT OR NOT SOURCE_DIR)
    message(FATAL_ERROR "MakeIcons.cmake needs -DCONVERT=<ImageMagick convert> and -DSOURCE_DIR=<folder>")
endif()

# Reads one map and writes it as an XPM (ImageMagick reads XPM with "None" as transparent). Sets
# <outWidth> to the picture's width.
function(map_to_xpm map xpm outWidth)
    file(STRINGS "${map}" lines ENCODING UTF-8)
    set(legendKeys "")
    set(legend "")
    set(rows "")
    set(width 0)
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        string(STRIP "${line}" line)
        if(line STREQUAL "" OR line MATCHES "^#")
            continue()
        endif()
        set(hex "[0-9a-fA-F]")
        if(line MATCHES "^([A-Za-z0-9]) = (#${hex}${hex}${hex}${hex}${hex}${hex})([ \t].*)?$")
            if(CMAKE_MATCH_1 IN_LIST legendKeys)
                message(FATAL_ERROR "${map}:${number}: '${CMAKE_MATCH_1}' is in the legend twice")
            endif()
            list(APPEND legendKeys "${CMAKE_MATCH_1}")
            list(APPEND legend "\"${CMAKE_MATCH_1} c ${CMAKE_MATCH_2}\",")
            continue()
        endif()
        if(NOT line MATCHES "^[A-Za-z0-9.]+$")
            message(FATAL_ERROR "${map}:${number}: neither a legend line nor a row of pixels: ${line}")
        endif()
        string(LENGTH "${line}" length)
        if(width EQUAL 0)
            set(width ${length})
        elseif(NOT length EQUAL width)
            message(FATAL_ERROR "${map}:${number}: row of ${length} pixels, the first one has ${width}")
        endif()
        # Every character of the row must be in the legend.
        string(REGEX REPLACE "[.${legendKeys}]" "" unknown "${line}")
        if(NOT unknown STREQUAL "")
            message(FATAL_ERROR "${map}:${number}: characters not in the legend: ${unknown}")
        endif()
        list(APPEND rows "\"${line}\",")
    endforeach()
    list(LENGTH rows height)
    list(LENGTH legendKeys colours)
    if(height EQUAL 0)
        message(FATAL_ERROR "${map}: no rows of pixels")
    endif()
    math(EXPR colours "${colours} + 1")
    list(JOIN legend "\n" legendText)
    list(JOIN rows "\n" rowText)
    file(WRITE "${xpm}" "/* XPM */\nstatic char *picture[] = {\n\"${width} ${height} ${colours} 1\",\n"
                        "\". c None\",\n${legendText}\n${rowText}\n};\n")
    set(${outWidth} ${width} PARENT_SCOPE)
endfunction()

function(run_convert)
    execute_process(COMMAND "${CONVERT}" ${ARGN} RESULT_VARIABLE result ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${CONVERT} ${ARGN} failed (${result}): ${error}")
    endif()
endfunction()

# The maps of one stem as XPM files, smallest first.
function(stem_to_xpms stem workDir outFiles)
    file(GLOB maps "${SOURCE_DIR}/${stem}-*.txt")
    if(NOT maps)
        message(FATAL_ERROR "no pixel maps ${SOURCE_DIR}/${stem}-<size>.txt")
    endif()
    set(sized "")
    foreach(map IN LISTS maps)
        get_filename_component(name "${map}" NAME_WE)
        set(xpm "${workDir}/${name}.xpm")
        map_to_xpm("${map}" "${xpm}" width)
        # Zero-padded widths sort numerically.
        string(LENGTH "${width}" digits)
        math(EXPR padding "4 - ${digits}")
        string(REPEAT "0" ${padding} key)
        string(APPEND key "${width}")
        list(APPEND sized "${key}|${xpm}")
    endforeach()
    list(SORT sized)
    list(TRANSFORM sized REPLACE "^[0-9]+\\|" "")
    set(${outFiles} ${sized} PARENT_SCOPE)
endfunction()

if(DEFINED PREVIEW)
    get_filename_component(previewDir "${PREVIEW}" DIRECTORY)
    set(workDir "${previewDir}/preview-work")
    file(MAKE_DIRECTORY "${workDir}")
    file(GLOB maps "${SOURCE_DIR}/*.txt")
    list(SORT maps)
    set(tiles "")
    set(index 0)
    foreach(map IN LISTS maps)
        get_filename_component(name "${map}" NAME_WE)
        map_to_xpm("${map}" "${workDir}/${name}.xpm" width)
        math(EXPR index "${index} + 1")
        set(tile "${workDir}/tile${index}.png")
        # 8x on a checkerboard (transparency shows), below it 1:1 on a light and on a dark taskbar colour.
        set(xpm "${workDir}/${name}.xpm")
        math(EXPR big "${width} * 8")
        run_convert(-gravity center
                    "(" -size ${big}x${big} pattern:checkerboard -fill "#ececec" -opaque white
                        "(" "${xpm}" -scale 800% ")" -composite ")"
                    "(" "(" -size 56x56 "xc:#d4d0c8" "${xpm}" -composite ")"
                        "(" -size 56x56 "xc:#202020" "${xpm}" -composite ")" +append ")"
                    "(" +size +gravity -background white -fill black -pointsize 13 "label:${name}" -gravity center ")"
                    -background white -append -bordercolor white -border 8 "${tile}")
        list(APPEND tiles "${tile}")
    endforeach()
    run_convert(${tiles} -background white -gravity north +append "${PREVIEW}")
    file(REMOVE_RECURSE "${workDir}")
    return()
endif()

if(NOT STEM OR NOT OUTPUT)
    message(FATAL_ERROR "MakeIcons.cmake needs -DSTEM=<name> and -DOUTPUT=<.ico or .bmp>, or -DPREVIEW=<.png>")
endif()

get_filename_component(outputDir "${OUTPUT}" DIRECTORY)
set(workDir "${outputDir}/${STEM}-work")
file(MAKE_DIRECTORY "${workDir}")
stem_to_xpms("${STEM}" "${workDir}" xpms)
if(OUTPUT MATCHES "\\.ico$")
    run_convert(${xpms} "${OUTPUT}")
elseif(OUTPUT MATCHES "\\.bmp$")
    list(LENGTH xpms count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "a bitmap has exactly one pixel map: ${STEM}")
    endif()
    run_convert(${xpms} -background white -alpha remove -alpha off -type TrueColor "BMP3:${OUTPUT}")
else()
    message(FATAL_ERROR "unknown output kind: ${OUTPUT}")
endif()
file(REMOVE_RECURSE "${workDir}")
