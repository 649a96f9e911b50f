#include "widgets/toolkit_gtk.h"

#include <X11/Xlib.h>
#include <gtk/gtk.h>
#include <wx/window.h>

#include <cstdlib>

namespace vok {

namespace {
GtkWidget* VerticalBar(wxWindow* w) {
  GtkWidget* widget = w ? static_cast<GtkWidget*>(w->GetHandle()) : nullptr;
  if (!widget || !GTK_IS_SCROLLED_WINDOW(widget)) return nullptr;
  return gtk_scrolled_window_get_vscrollbar(GTK_SCROLLED_WINDOW(widget));
}
}  // namespace

bool HasDisplay() {
  // Asked of X itself: GTK, once initialised here, would warn when wx
  // initialises it again, and on its way to failing makes folders in HOME.
  if (const char* x11 = std::getenv("DISPLAY"); x11 && *x11) {
    Display* d = XOpenDisplay(nullptr);
    if (d) XCloseDisplay(d);
    return d != nullptr;
  }
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return wayland && *wayland;
}

void UseCompactToolBars() {
  static bool done = false;
  GdkScreen* screen = gdk_screen_get_default();
  if (done || !screen) return;
  done = true;
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css,
                                  "toolbar { padding: 1px; }"
                                  "toolbar button { padding: 1px; min-width: 0; min-height: 0; }",
                                  -1, nullptr);
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
}

int MenuBarHeight() {
  if (!gdk_screen_get_default()) return 0;
  GtkWidget* bar = gtk_menu_bar_new();
  g_object_ref_sink(bar);
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), gtk_menu_item_new_with_label("M"));
  gtk_widget_show_all(bar);
  int minimum = 0, natural = 0;
  gtk_widget_get_preferred_height(bar, &minimum, &natural);
  gtk_widget_destroy(bar);
  g_object_unref(bar);
  return natural;
}

void PresetFrameAllocation(wxWindow* topLevel) {
  GtkWidget* widget = topLevel ? static_cast<GtkWidget*>(topLevel->GetHandle()) : nullptr;
  if (!widget || !GTK_IS_WINDOW(widget) || gtk_widget_get_realized(widget)) return;
  int w = 0, h = 0;
  gtk_window_get_default_size(GTK_WINDOW(widget), &w, &h);
  if (w <= 0 || h <= 0) return;
  GtkAllocation a{0, 0, w, h};
  gtk_widget_set_allocation(widget, &a);
}

void PlaceWhenMapped(wxWindow* topLevel, int x, int y, int width, int height) {
  GtkWidget* widget = topLevel ? static_cast<GtkWidget*>(topLevel->GetHandle()) : nullptr;
  if (!widget || !GTK_IS_WINDOW(widget)) return;
  struct Place {
    int x, y, w, h;
  };
  auto onMap = +[](GtkWidget* w, gpointer data) {
    const auto* p = static_cast<Place*>(data);
    gtk_window_resize(GTK_WINDOW(w), p->w, p->h);
    gtk_window_move(GTK_WINDOW(w), p->x, p->y);
  };
  g_signal_connect_data(widget, "map", G_CALLBACK(onMap), new Place{x, y, width, height},
                        [](gpointer data, GClosure*) { delete static_cast<Place*>(data); }, G_CONNECT_AFTER);
}

void MoveOnScreen(wxWindow* topLevel, int x, int y) {
  GtkWidget* widget = topLevel ? static_cast<GtkWidget*>(topLevel->GetHandle()) : nullptr;
  if (widget && GTK_IS_WINDOW(widget)) gtk_window_move(GTK_WINDOW(widget), x, y);
}

void ScrolledMinimum(wxWindow* w, int* width, int* height) {
  *width = *height = 0;
  GtkWidget* widget = w ? static_cast<GtkWidget*>(w->GetHandle()) : nullptr;
  if (!widget || !GTK_IS_SCROLLED_WINDOW(widget)) return;
  gtk_widget_get_preferred_width(widget, width, nullptr);
  gtk_widget_get_preferred_height(widget, height, nullptr);
}

namespace {
using BarHandler = std::function<void(ScrollAction, int)>;

gboolean OnChangeValue(GtkRange*, GtkScrollType scroll, gdouble value, gpointer data) {
  const auto& act = *static_cast<BarHandler*>(data);
  switch (scroll) {
    case GTK_SCROLL_STEP_BACKWARD: case GTK_SCROLL_STEP_UP: case GTK_SCROLL_STEP_LEFT:
      act(ScrollAction::LineUp, 0); break;
    case GTK_SCROLL_STEP_FORWARD: case GTK_SCROLL_STEP_DOWN: case GTK_SCROLL_STEP_RIGHT:
      act(ScrollAction::LineDown, 0); break;
    case GTK_SCROLL_PAGE_BACKWARD: case GTK_SCROLL_PAGE_UP: case GTK_SCROLL_PAGE_LEFT:
      act(ScrollAction::PageUp, 0); break;
    case GTK_SCROLL_PAGE_FORWARD: case GTK_SCROLL_PAGE_DOWN: case GTK_SCROLL_PAGE_RIGHT:
      act(ScrollAction::PageDown, 0); break;
    case GTK_SCROLL_START: act(ScrollAction::Top, 0); break;
    case GTK_SCROLL_END: act(ScrollAction::Bottom, 0); break;
    default: act(ScrollAction::Track, static_cast<int>(value + 0.5)); break;
  }
  return TRUE;  // the window moves the bar
}
}  // namespace

void TakeOverVerticalScrollBar(wxWindow* w, std::function<void(ScrollAction, int)> act) {
  GtkWidget* bar = VerticalBar(w);
  if (!bar) return;
  g_object_set(gtk_widget_get_settings(bar), "gtk-primary-button-warps-slider", FALSE, nullptr);
  g_signal_connect_data(bar, "change-value", G_CALLBACK(OnChangeValue), new BarHandler(std::move(act)),
                        [](gpointer data, GClosure*) { delete static_cast<BarHandler*>(data); }, GConnectFlags{});
}

void EnableVerticalScrollBar(wxWindow* w, bool enable) {
  if (GtkWidget* bar = VerticalBar(w)) gtk_widget_set_sensitive(bar, enable);
}

bool VerticalScrollBarEnabled(wxWindow* w) {
  GtkWidget* bar = VerticalBar(w);
  return bar && gtk_widget_get_sensitive(bar);
}

}  // namespace vok
