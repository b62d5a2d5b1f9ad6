// The pictures of the diameter symbols as resource notes of the module: one
// RT_BITMAP resource a picture, in Chinese (simplified).
#include <utility>

#include "QuarnCommon/Source/DrawSymbolPictures.h"
#include "winport/ResourceNote.h"
#include "winport/Resources.h"

namespace {

template <size_t... I>
constexpr auto PictureNotes(std::index_sequence<I...>) {
  return std::array{ResourceNote<kPictureDibSize>(2 /* RT_BITMAP */, kPictureLanguage, kDiameterPictures[I].Name,
                                                  PackedDib(kDiameterPictures[I]))...};
}

// The notes stand one after the other, as a note section holds them.
WINPORT_RESOURCE constexpr auto kPictureNotes = PictureNotes(std::make_index_sequence<std::size(kDiameterPictures)>());

}  // namespace
