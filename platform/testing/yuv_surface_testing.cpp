// The FourCC hook of the YUV surfaces as a scoped object.
#include "platform/testing/yuv_surface_testing.h"

#include <vector>

#include "platform/opengl/yuv_surface.h"

AcceptYuvFourCCs::AcceptYuvFourCCs(std::initializer_list<DWORD> fourccs) {
    const std::vector<DWORD> list(fourccs);
    const gl_backend::YuvFourCCChoice before =
        gl_backend::SetAcceptedYuvFourCCs(list.data(), static_cast<int>(list.size()));
    chosen_before_ = before.chosen;
    for (int i = 0; i < 3; ++i) accepted_before_[i] = before.accepted[i];
}

AcceptYuvFourCCs::~AcceptYuvFourCCs() {
    gl_backend::RestoreYuvFourCCChoice(
        {chosen_before_, {accepted_before_[0], accepted_before_[1], accepted_before_[2]}});
}
