/* Writes a 24-bit BMP that packs like a photo: smooth gradients with a
 * little grain. Usage: picture WIDTH HEIGHT FILE */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static uint32_t state = 2463534242u;
static uint32_t next(void) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

static void le(unsigned char* p, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) p[i] = (unsigned char)(v >> (8 * i));
}

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const long w = atol(argv[1]), h = atol(argv[2]);
  const long stride = (w * 3 + 3) & ~3L;
  FILE* f = fopen(argv[3], "wb");
  if (!f || w <= 0 || h <= 0) return 1;
  unsigned char hdr[54] = {'B', 'M'};
  le(hdr + 2, (uint32_t)(54 + stride * h), 4);
  le(hdr + 10, 54, 4);
  le(hdr + 14, 40, 4);
  le(hdr + 18, (uint32_t)w, 4);
  le(hdr + 22, (uint32_t)h, 4);
  le(hdr + 26, 1, 2);
  le(hdr + 28, 24, 2);
  le(hdr + 34, (uint32_t)(stride * h), 4);
  fwrite(hdr, 1, 54, f);
  unsigned char* row = calloc(1, stride);
  for (long y = 0; y < h; ++y) {
    for (long x = 0; x < w; ++x) {
      /* Grain: one pixel in GRAIN gets a small random nudge. */
      const uint32_t r = next();
      const int g = (r & 0xF) < 4 ? (int)((r >> 4) & 3) : 0;
      row[3 * x + 0] = (unsigned char)(x * 255 / w + g);
      row[3 * x + 1] = (unsigned char)(y * 255 / h + g);
      row[3 * x + 2] = (unsigned char)(((x + y) * 255 / (w + h)) ^ (g << 1));
    }
    fwrite(row, 1, stride, f);
  }
  free(row);
  return fclose(f) != 0;
}
