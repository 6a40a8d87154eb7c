// The Theora movies' YUV surface: a video-memory surface of the coded frame's size in the
// first FourCC format the display takes (YV12, YUY2, UYVY), made through the graphics
// core's DirectDraw object, which the graphics core hands over through the movie room's
// display hooks. A texture graph's update takes the surface, with the current frame
// written in, so that the renderer converts it on the GPU; movies whose frames carry
// alpha, or whose chroma is not 4:2:0, are converted on the CPU instead.
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "engine/movie/theora_movie.h"

namespace {

constexpr std::uint32_t kYuvFourCcOrder[] = {kFourCcYv12, kFourCcYuy2, kFourCcUyvy};

}  // namespace

std::int32_t TheoraYuvSurfaceWidth(const TheoraMovie* movie) {
    return static_cast<std::int32_t>(movie->stream.coded_width);
}

std::int32_t TheoraYuvSurfaceHeight(const TheoraMovie* movie) {
    return static_cast<std::int32_t>(movie->stream.coded_height);
}

void ReleaseTheoraYuvSurface(TheoraMovie* movie) {
    if (movie->yuv_surface != nullptr) movie->yuv_surface->Release();
    movie->yuv_surface = nullptr;
    // A frame written to the old surface is not in a new one.
    movie->yuv_pending = 0;
}

void CreateTheoraYuvSurface(TheoraMovie* movie) {
    ReleaseTheoraYuvSurface(movie);
    IDirectDraw7* object = GetMovieDisplayHooks()->get_direct_draw_object();
    if (object == nullptr) return;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    desc.dwHeight = static_cast<DWORD>(TheoraYuvSurfaceHeight(movie));
    desc.dwWidth = static_cast<DWORD>(TheoraYuvSurfaceWidth(movie));
    desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc.ddpfPixelFormat.dwFlags = DDPF_FOURCC;
    desc.ddsCaps.dwCaps = DDSCAPS_VIDEOMEMORY;
    for (const std::uint32_t fourcc : kYuvFourCcOrder) {
        movie->yuv_fourcc = fourcc;
        desc.ddpfPixelFormat.dwFourCC = fourcc;
        IDirectDrawSurface7* surface = nullptr;
        if (SUCCEEDED(object->CreateSurface(&desc, &surface, nullptr)) && surface != nullptr) {
            movie->yuv_surface = surface;
            return;
        }
    }
    movie->yuv_fourcc = 0;
}

IDirectDrawSurface7* GetTheoraYuvSurface(const TheoraMovie* movie) { return movie->yuv_surface; }

int FetchMovieYuvSurface(MovieRecord* record, IDirectDrawSurface7** surface, int* picture_x, int* picture_y) {
    if (record == nullptr || !record->theora_flag || record->theora == nullptr || record->alpha != 0) return -1;
    TheoraMovie* movie = record->theora;
    // Frames of other chroma sizes are never written to the surface.
    if (movie->stream.chroma_format != 0 || GetTheoraYuvSurface(movie) == nullptr) return -1;
    FetchTheoraFrame(movie, 0, 1);
    if (movie->yuv_pending == 0) return 0;
    // The write may have made the surface anew, or found none to make.
    if (movie->yuv_surface == nullptr) return -1;
    movie->yuv_pending = 0;
    *surface = movie->yuv_surface;
    *picture_x = static_cast<int>(movie->stream.picture_x);
    *picture_y = static_cast<int>(movie->stream.picture_y);
    return 1;
}
