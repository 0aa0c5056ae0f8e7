# Shared compile settings: every target of the project links cuantix_settings.

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
endif()

option(CUANTIX_WERROR "Treat warnings as errors (CI)" OFF)
option(CUANTIX_SANITIZE "Build with address and undefined-behaviour sanitizers" OFF)

find_program(CCACHE_PROGRAM ccache)
find_program(ENV_PROGRAM env)
if(CCACHE_PROGRAM AND ENV_PROGRAM)
  # Precompiled headers are cached only when ccache may ignore their time stamps; the base
  # folder makes builds of several checkouts share the cache.
  set(CMAKE_CXX_COMPILER_LAUNCHER "${ENV_PROGRAM}"
      "CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime"
      "CCACHE_BASEDIR=${PROJECT_SOURCE_DIR}" "${CCACHE_PROGRAM}")
elseif(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()

add_library(cuantix_settings INTERFACE)
target_compile_definitions(cuantix_settings INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_USE_QSTRINGBUILDER
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_DISABLE_DEPRECATED_BEFORE=0x060400
  CUANTIX_VERSION="${PROJECT_VERSION}")
target_compile_options(cuantix_settings INTERFACE
  -Wall -Wextra -Wshadow -Wold-style-cast -Woverloaded-virtual -Wnon-virtual-dtor)
# GCC 12 reports std::optional<QString> copies as maybe-uninitialized at -O2 and above: false
# positives that would break the -Werror build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(cuantix_settings INTERFACE -Wno-maybe-uninitialized)
endif()
if(CUANTIX_WERROR)
  target_compile_options(cuantix_settings INTERFACE -Werror)
  target_compile_definitions(cuantix_settings INTERFACE _GLIBCXX_ASSERTIONS)
endif()
if(CUANTIX_SANITIZE)
  target_compile_options(cuantix_settings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
  target_link_options(cuantix_settings INTERFACE -fsanitize=address,undefined)
endif()

# cuantix_library(name FOLDER sources... QT modules...) keeps the per-folder boilerplate in one place.
function(cuantix_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;QT;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  list(TRANSFORM ARG_QT PREPEND "Qt6::" OUTPUT_VARIABLE qt_targets)
  target_link_libraries(${name} PUBLIC cuantix_settings ${qt_targets} ${ARG_LINKS})
  cuantix_precompile_qt(${name})
endfunction()

# Precompiled Qt headers: each target compiles its own, since flags differ between Core-only
# and Widgets targets.
function(cuantix_precompile_qt target)
  get_target_property(libs ${target} LINK_LIBRARIES)
  set(headers <QtCore/QString> <QtCore/QStringList> <QtCore/QDate> <QtCore/QVariant>
              <QtCore/QHash> <QtCore/QList> <vector> <optional> <functional>)
  if("Qt6::Sql" IN_LIST libs)
    list(APPEND headers <QtSql/QSqlDatabase> <QtSql/QSqlQuery>)
  endif()
  if("Qt6::Widgets" IN_LIST libs)
    list(APPEND headers <QtWidgets/QWidget> <QtWidgets/QDialog> <QtWidgets/QLabel>
                        <QtWidgets/QPushButton> <QtWidgets/QLineEdit>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()
