# Libraries from Debian packages that the engine's platform layer links.
# scripts/install-deps.sh installs every package named here.
target_link_libraries(vomur PUBLIC ${CMAKE_DL_LIBS})
