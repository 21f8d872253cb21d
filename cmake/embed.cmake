# Files carried inside a program as they are, put there by the assembler: each lies between the
# symbols SYMBOL_begin and SYMBOL_end (extern "C" const std::uint8_t[]).
#   marvosk_embed_file(OUT_VAR SYMBOL FILE)
# sets OUT_VAR to the assembler source to compile; it is assembled again when FILE changes.
function(marvosk_embed_file out symbol file)
  if(EMSCRIPTEN)
    set(template ${PROJECT_SOURCE_DIR}/cmake/embedded_wasm.S.in)
  else()
    set(template ${PROJECT_SOURCE_DIR}/cmake/embedded_elf.S.in)
  endif()
  set(MARVOSK_EMBED_SYMBOL ${symbol})
  set(MARVOSK_EMBED_FILE ${file})
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${symbol}.S)
  configure_file(${template} ${source} @ONLY)
  set_source_files_properties(${source} PROPERTIES OBJECT_DEPENDS ${file})
  set(${out} ${source} PARENT_SCOPE)
endfunction()
