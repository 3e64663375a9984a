#include "operations/FlipMirror.h"

namespace vtt {

void flipImage(ImageDocument&) {}
void mirrorImage(ImageDocument&) {}

} // namespace vtt
