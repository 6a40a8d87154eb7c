# vomur_collect_sources(OUT dir...): every .cpp below the given folders, re-globbed
# when files are added so a new unit needs no edit here.
function(vomur_collect_sources out)
  set(found "")
  foreach(dir ${ARGN})
    file(GLOB_RECURSE files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND found ${files})
  endforeach()
  list(SORT found)
  set(${out} ${found} PARENT_SCOPE)
endfunction()
