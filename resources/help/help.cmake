# Compiles the help pages into ajuda.chm beside the program, where the help
# command looks for it. chmcmd comes with Debian's fp-utils.
find_program(BRELO_CHMCMD chmcmd REQUIRED)

set(_help_src ${CMAKE_SOURCE_DIR}/resources/help)
set(_help_work ${CMAKE_BINARY_DIR}/help-build)
set(_help_files ajuda.hhp toc.hhc ajuda.css
    index.html canais.html apresentacoes.html bandeja.html menu.html noticias.html)
list(TRANSFORM _help_files PREPEND ${_help_src}/ OUTPUT_VARIABLE _help_inputs)

# chmcmd writes beside its project file, so it works on a copy of the pages.
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/ajuda.chm
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_help_work}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_help_work}
    COMMAND ${CMAKE_COMMAND} -E copy ${_help_inputs} ${_help_work}
    COMMAND ${CMAKE_COMMAND} -E chdir ${_help_work} ${BRELO_CHMCMD} --no-html-scan ajuda.hhp
    COMMAND ${CMAKE_COMMAND} -E copy ${_help_work}/ajuda.chm ${CMAKE_BINARY_DIR}/ajuda.chm
    DEPENDS ${_help_inputs}
    COMMENT "Compiling the help file ajuda.chm"
    VERBATIM)
add_custom_target(brelo_help ALL DEPENDS ${CMAKE_BINARY_DIR}/ajuda.chm)
