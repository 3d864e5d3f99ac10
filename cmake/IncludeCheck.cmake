# Which headers a library may include, checked like the link direction: a
# core includes no header of the widgets or of a window, and the shared
# widgets include nothing from a window's folder.
#
# At configure time src/CMakeLists.txt writes the rules (polcozo_write_include_rules)
# and checks them once; the build checks them again whenever a source changes,
# by running this file as a script with -DPOLCOZO_INCLUDE_RULES=<file>.

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

# Collects every quoted include of the checked targets that breaks a rule.
function(polcozo_include_findings out)
  set(findings "")
  foreach(target IN LISTS IC_CHECKED)
    foreach(source IN LISTS IC_SRC_${target})
      get_filename_component(folder "${source}" DIRECTORY)
      file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
      foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" name "${line}")
        if(EXISTS "${folder}/${name}")
          get_filename_component(header "${folder}/${name}" ABSOLUTE)
        elseif(EXISTS "${IC_SOURCE_ROOT}/${name}")
          get_filename_component(header "${IC_SOURCE_ROOT}/${name}" ABSOLUTE)
        else()
          continue() # generated files, Qt's and the system's headers
        endif()
        file(RELATIVE_PATH relative "${IC_SOURCE_ROOT}" "${header}")
        string(REGEX REPLACE "/.*$" "" top "${relative}")
        if(header IN_LIST IC_BANNED_${target} OR top IN_LIST IC_BANNED_FOLDERS_${target})
          file(RELATIVE_PATH shown "${IC_SOURCE_ROOT}" "${source}")
          list(APPEND findings "${shown} (${target}) includes ${relative}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  set(${out} "${findings}" PARENT_SCOPE)
endfunction()

function(polcozo_report_include_findings findings)
  if(findings)
    list(JOIN findings "\n  " text)
    message(FATAL_ERROR "Includes against the layering:\n  ${text}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND POLCOZO_INCLUDE_RULES)
  include("${POLCOZO_INCLUDE_RULES}")
  polcozo_include_findings(findings)
  polcozo_report_include_findings("${findings}")
  file(TOUCH "${POLCOZO_INCLUDE_STAMP}")
endif()
