// The scratch-bitmap unit: one process-wide off-screen bitmap with its canvas,
// made at load and freed at unload. For one thread at a time.
#pragma once

#include "rtl/Bitmap.h"

// Owned by the unit; the canvas belongs to the bitmap.
extern TBitmap* ScratchBitmap;
extern TCanvas* ScratchCanvas;

void ScratchBitmapInitialize();
void ScratchBitmapFinalize();
