// Painting runs of pixels: the one place where drawn colours reach a picture's memory.
#include "renderer/software/Picture.h"

#include <algorithm>

namespace software {

void paintSpan(Picture& picture, int y, int first, int last, const Paint& paint) {
    Pixel* const begin = picture.row(y) + first;
    Pixel* const end = picture.row(y) + last + 1;
    if (paint.op == LogicOp::COPY && (!paint.blend || paint.alpha == 255)) {
        std::fill(begin, end, paint.color);
        return;
    }
    for (Pixel* p = begin; p != end; ++p) *p = paintedPixel(paint, *p);
}

}  // namespace software
