// The FourCC hook of the YUV surfaces as a scoped object.
#include "platform/testing/yuv_surface_testing.h"

#include <vector>

#include "platform/opengl/yuv_surface.h"

AcceptYuvFourCCs::AcceptYuvFourCCs(std::initializer_list<DWORD> fourccs) {
    const std::vector<DWORD> list(fourccs);
    gl_backend::SetAcceptedYuvFourCCs(list.data(), static_cast<int>(list.size()));
}

AcceptYuvFourCCs::~AcceptYuvFourCCs() { gl_backend::SetAcceptedYuvFourCCs(nullptr, -1); }
