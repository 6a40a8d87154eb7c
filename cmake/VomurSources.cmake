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

# vomur_export_folder(TARGET folder): the target's users may include "folder/..." and
# nothing else of the tree. The folder is reached through a link in the build tree, so
# the repository root never lands on a user's include path.
function(vomur_export_folder target folder)
  set(root ${CMAKE_BINARY_DIR}/exports/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} INTERFACE ${root})
endfunction()
