// What a DirectDraw surface keeps of the surfaces attached to it: at most one depth buffer
// and, behind a primary, the flip chain of back buffers. Shared by the system-memory surfaces
// and the video-memory ones, over what all surfaces have alike (platform/video/surface_common.h);
// the surface type says what its storage is and when it is lost.
#pragma once

#include <vector>

#include "platform/ddraw.h"
#include "platform/video/display_internal.h"
#include "platform/video/surface_common.h"

namespace display {

// `Surface` derives from SurfaceChain<Surface> and gives it, as a friend:
//   void SwapStorage(Surface* other);     exchange the pictures (not the roles) of two surfaces
//   void PresentIfPrimary();              show the primary's picture after it changed
// (is_primary, UsableResult, width, height, AddRef and Release are SurfaceCommon's).
template <class Surface>
class SurfaceChain : public SurfaceCommon {
public:
    // The description with the back-buffer count.
    HRESULT GetSurfaceDesc(DDSURFACEDESC2* description) override {
        const HRESULT result = SurfaceCommon::GetSurfaceDesc(description);
        if (result == DD_OK) DescribeChain(description);
        return result;
    }
    HRESULT DeleteAttachedSurface(DWORD flags, IDirectDrawSurface7* surface) override;
    HRESULT EnumAttachedSurfaces(void* context, LPDDENUMSURFACESCALLBACK7 callback) override;
    HRESULT Flip(IDirectDrawSurface7* target_override, DWORD flags) override;
    HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** surface) override;
    void PresentAgain() override { static_cast<Surface*>(this)->PresentIfPrimary(); }

    // Set up at creation: `back` joins the chain behind this primary, which holds its reference.
    void AddBackBuffer(Surface* back) {
        back->chain_front_ = static_cast<Surface*>(this);
        back_buffers_.push_back(back);
    }
    Surface* depth() const { return depth_; }

protected:
    using SurfaceCommon::SurfaceCommon;
    ~SurfaceChain() override = default;

    // Attaches `attached` as the depth buffer, once the surface has judged it a depth buffer
    // of its own kind: one per surface, never itself, and of the same size.
    HRESULT AttachDepth(Surface* attached);
    // Lets go of the back buffers and the depth buffer (from the surface's destructor).
    void ReleaseAttached();
    // The back-buffer count in a surface description.
    void DescribeChain(DDSURFACEDESC2* description) const;

    Surface* depth_ = nullptr;             // attached depth buffer (referenced)
    std::vector<Surface*> back_buffers_;   // flip chain behind a primary (referenced)
    Surface* chain_front_ = nullptr;       // the primary of this back buffer's chain
};

template <class Surface>
HRESULT SurfaceChain<Surface>::AttachDepth(Surface* attached) {
    const Surface* self = static_cast<const Surface*>(this);
    if (depth_ != nullptr || attached == self) return DDERR_INVALIDPARAMS;
    if (attached->width() != self->width() || attached->height() != self->height()) return DDERR_INVALIDPARAMS;
    attached->AddRef();
    depth_ = attached;
    return DD_OK;
}

template <class Surface>
void SurfaceChain<Surface>::ReleaseAttached() {
    for (Surface* back : back_buffers_) {
        back->chain_front_ = nullptr;
        back->Release();
    }
    back_buffers_.clear();
    if (depth_ != nullptr) depth_->Release();
    depth_ = nullptr;
}

template <class Surface>
void SurfaceChain<Surface>::DescribeChain(DDSURFACEDESC2* description) const {
    if (back_buffers_.empty()) return;
    description->dwFlags |= DDSD_BACKBUFFERCOUNT;
    description->dwBackBufferCount = static_cast<DWORD>(back_buffers_.size());
}

template <class Surface>
HRESULT SurfaceChain<Surface>::DeleteAttachedSurface(DWORD, IDirectDrawSurface7* surface) {
    if (depth_ == nullptr || (surface != nullptr && surface != static_cast<IDirectDrawSurface7*>(depth_))) {
        return DDERR_NOTFOUND;
    }
    Surface* attached = depth_;
    depth_ = nullptr;
    attached->Release();
    return DD_OK;
}

template <class Surface>
HRESULT SurfaceChain<Surface>::EnumAttachedSurfaces(void* context, LPDDENUMSURFACESCALLBACK7 callback) {
    if (callback == nullptr) return DDERR_INVALIDPARAMS;
    std::vector<Surface*> list = back_buffers_;
    if (depth_ != nullptr) list.push_back(depth_);
    for (Surface* attached : list) {
        DDSURFACEDESC2 description{};
        description.dwSize = sizeof(description);
        attached->GetSurfaceDesc(&description);
        if (callback(attached, &description, context) == DDENUMRET_CANCEL) break;
    }
    return DD_OK;
}

template <class Surface>
HRESULT SurfaceChain<Surface>::GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** surface) {
    if (caps == nullptr || surface == nullptr) return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    Surface* found = nullptr;
    if ((caps->dwCaps & DDSCAPS_BACKBUFFER) != 0 && !back_buffers_.empty()) {
        found = back_buffers_.front();
    } else if ((caps->dwCaps & DDSCAPS_ZBUFFER) != 0) {
        found = depth_;
    }
    if (found == nullptr) return DDERR_NOTFOUND;
    found->AddRef();
    *surface = found;
    return DD_OK;
}

template <class Surface>
HRESULT SurfaceChain<Surface>::Flip(IDirectDrawSurface7* target_override, DWORD flags) {
    Surface* self = static_cast<Surface*>(this);
    if (!self->is_primary() || back_buffers_.empty()) return DDERR_NOTFLIPPABLE;
    if (target_override != nullptr) return DDERR_INVALIDPARAMS;
    HRESULT usable = self->UsableResult();
    if (usable != DD_OK) return usable;
    for (Surface* back : back_buffers_) {
        usable = back->UsableResult();
        if (usable != DD_OK) return usable;
    }
    if ((flags & DDFLIP_NOVSYNC) == 0) WaitForBlankBegin();
    // The front takes the first back buffer's storage, each back buffer the next one's and
    // the last the old front's: the interfaces keep their roles.
    Surface* previous = self;
    for (Surface* back : back_buffers_) {
        previous->SwapStorage(back);
        previous = back;
    }
    self->PresentIfPrimary();
    return DD_OK;
}

}  // namespace display
