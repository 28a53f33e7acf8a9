# Writes OUTPUT: TEMPLATE with its placeholders replaced by the module (MODULE, the
# emscripten output with the WebAssembly inside) and the page's script (SCRIPT), each
# inside its <script> element. Run as: cmake -DTEMPLATE=... -DMODULE=... -DSCRIPT=...
# -DOUTPUT=... -P inline.cmake
file(READ ${TEMPLATE} page)
foreach(part MODULE SCRIPT)
  file(READ ${${part}} text)
  # A "</script" inside would end the element early.
  string(FIND "${text}" "</script" closing)
  if(NOT closing EQUAL -1)
    message(FATAL_ERROR "${${part}} holds </script: it cannot be inlined")
  endif()
  string(REPLACE "/*@${part}@*/" "${text}" page "${page}")
endforeach()
file(WRITE ${OUTPUT} "${page}")
