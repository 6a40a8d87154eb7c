# Libraries from Debian packages that the engine's platform layer links.
# scripts/install-deps.sh installs every package named here.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VOMUR_DEPS REQUIRED IMPORTED_TARGET
  sdl2 libpng zlib ogg vorbis vorbisfile theoradec freetype2 fontconfig libmpg123)
# FFmpeg's libraries are loaded by platform/ffmpeg when the first such movie is opened, so
# only their headers are needed here: linked, they would be loaded (with the hundred-odd
# libraries they need) by every program that links the engine.
pkg_check_modules(VOMUR_FFMPEG REQUIRED libavformat libavcodec libavutil libswscale libswresample)
target_include_directories(vomur_platform PRIVATE ${VOMUR_FFMPEG_INCLUDE_DIRS})
find_package(JPEG REQUIRED)
target_link_libraries(vomur_platform PRIVATE PkgConfig::VOMUR_DEPS JPEG::JPEG ${CMAKE_DL_LIBS})
# OpenGL headers for the 3-D stand-in; its entry points are loaded through SDL at run time.
find_path(VOMUR_GL_INCLUDE_DIR GL/glcorearb.h REQUIRED)
target_include_directories(vomur_platform PRIVATE ${VOMUR_GL_INCLUDE_DIR})
