// The window draws only the newest frame and only once; a frame of another size first
// asks the toolkit for that size and is drawn once the window reports it, so a size the
// user chose is undone at the next callback.
#include "runtime/display/presenter.h"

#include <GL/freeglut.h>

#include "runtime/core/control_words.h"
#include "runtime/display/refresh.h"

namespace rt {

namespace {

struct PresenterState {
  int32_t window_width = 640;  // as last reported by the reshape callback
  int32_t window_height = 400;
  // A reshape forces the next two callbacks to draw: the GL drawable may still have its
  // old size at the first one, which would leave the picture off by the difference.
  int32_t redraws_due = 0;
};

PresenterState g_presenter;

void draw_frame(const FrameSlot& frame) {
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_COLOR_MATERIAL);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glViewport(0, 0, g_presenter.window_width, g_presenter.window_height);
  // y grows downward, so the frame's first row is the window's top row.
  glOrtho(0, g_presenter.window_width, g_presenter.window_height, 0, -1, 1);
  glRasterPos2i(0, 0);
  glPixelZoom(1.0f, -1.0f);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glDrawPixels(frame.width, frame.height, GL_BGRA, GL_UNSIGNED_BYTE, frame.pixels);
}

}  // namespace

void present_latest_frame() {
  if (oldest_frame() == 0) return;  // nothing composed yet
  mark_superseded_frames();
  FrameSlot& frame = frame_slot(latest_frame());
  if (frame.drawn.load(std::memory_order_relaxed) != 0 && g_presenter.redraws_due == 0) return;
  if (g_presenter.redraws_due > 0) --g_presenter.redraws_due;
  if (frame.width != g_presenter.window_width || frame.height != g_presenter.window_height) {
    glutReshapeWindow(frame.width, frame.height);
    glutPostRedisplay();
    return;
  }
  frame.drawn.store(1, std::memory_order_relaxed);
  draw_frame(frame);
  mark_superseded_frames();
  // While paused the window keeps the picture it shows.
  if (paused.load() == 0) glutSwapBuffers();
}

void note_window_size(int32_t width, int32_t height) {
  g_presenter.window_width = width;
  g_presenter.window_height = height;
  g_presenter.redraws_due = 2;
}

// The server keeps no copy of what a window shows: an uncovered part (the window moved
// into view, another window closed over it) holds stale pixels until drawn again.
void note_window_exposed() {
  if (g_presenter.redraws_due == 0) g_presenter.redraws_due = 1;
}

}  // namespace rt
