# One target carries the compiler settings; every other target links it.
add_library(orvanta_settings INTERFACE)
target_compile_features(orvanta_settings INTERFACE cxx_std_20)
target_compile_options(orvanta_settings INTERFACE -Wall -Wextra -Wpedantic -Werror)

set(ORVANTA_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined or thread")
if(ORVANTA_SANITIZE)
    target_compile_options(orvanta_settings INTERFACE
        -fsanitize=${ORVANTA_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(orvanta_settings INTERFACE -fsanitize=${ORVANTA_SANITIZE})
endif()

# Qt code additionally refuses implicit conversions from 8-bit strings.
add_library(orvanta_qt_settings INTERFACE)
target_link_libraries(orvanta_qt_settings INTERFACE orvanta_settings)
target_compile_definitions(orvanta_qt_settings INTERFACE QT_NO_CAST_FROM_ASCII)
