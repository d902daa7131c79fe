// The image library's code, read from memory only: BMP in every build, JPEG
// and PNG where it is the codec library (image_codecs.h).
#define STBI_ONLY_BMP
#if KWEN_STB_JPEG_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#endif
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
