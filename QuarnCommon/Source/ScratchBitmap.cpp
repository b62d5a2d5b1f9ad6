#include "QuarnCommon/Source/ScratchBitmap.h"

TBitmap* ScratchBitmap = nullptr;
TCanvas* ScratchCanvas = nullptr;

void ScratchBitmapInitialize() {
  ScratchBitmap = New<TBitmap>();
  ScratchCanvas = ScratchBitmap->Canvas();
}

void ScratchBitmapFinalize() {
  ScratchCanvas = nullptr;
  FreeAndNil(ScratchBitmap);
}
