// The table through which the 3-D renderer reaches the graphics core (its surfaces, the
// SurfaceData and graph tables, pictures, the 2-D fallbacks and the draw settings), filled
// as the graphics core starts, before the renderer is started.

#include "engine/d3d/d3d.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/graph_transfer.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"

void InstallRendererHooks() {
    D3DGraphicsHooks hooks{};
    hooks.AddSurfaceData = AddSurfaceData;
    hooks.GetSurfaceData = GetSurfaceData;
    hooks.AddSurfaceDataRef = AddSurfaceDataRef;
    hooks.ReleaseSurfaceDataRef = ReleaseSurfaceDataRef;
    hooks.CreateSurfaceDataSurface = CreateSurfaceDataSurface;
    hooks.ReleaseSurfaceDataSurface = ReleaseSurfaceDataSurface;
    hooks.DeleteSurfaceData = DeleteSurfaceData;
    hooks.ApplySurfaceDataColorKey = ApplySurfaceDataColorKey;
    hooks.RestoreSurfaceDataIfLost = RestoreSurfaceDataIfLost;
    hooks.LockSurfaceData = LockSurfaceData;
    hooks.UnlockSurfaceData = UnlockSurfaceData;
    hooks.FillSurfaceDataColor = FillSurfaceDataColor;
    hooks.GetGraphRecord = GetGraphRecord;
    hooks.ReadGraphSize = ReadGraphSize;
    hooks.GetSurface2DRecord = GetSurface2DRecord;
    hooks.ResolveSourcePictures = ResolveSourcePictures;
    hooks.MovieFramePictures = MovieFramePictures;
    hooks.GetDirectDrawObject = GetDirectDrawObject;
    hooks.GetDrawTargetSurface = GetDrawTargetSurface;
    hooks.GetFrontSurface = GetFrontSurface;
    hooks.GetBackSurface = GetBackSurface;
    hooks.GetWorkSurface = GetWorkSurface;
    hooks.GetScreenBitDepth = GetScreenBitDepth;
    hooks.GetScreenColorFormat = GetScreenColorFormat;
    hooks.ReadScreenSize = ReadScreenSize;
    hooks.IsWindowFrontTarget = IsWindowFrontTarget;
    hooks.CopySurfaceRect = CopySurfaceRect;
    hooks.GetTextureFormatIndex = GetTextureFormatIndex;
    hooks.PixelFormatToColorFormat = PixelFormatToColorFormat;
    hooks.SplitColorValue = SplitColorValue;
    hooks.DrawFillBoxSoft = DrawFillBoxSoft;
    hooks.DrawLineBoxSoft = DrawLineBoxSoft;
    InstallD3DGraphicsHooks(hooks);
}
