#include <gio/gio.h>

#include <string>
#include <utility>
#include <vector>

#include "desktop/backend.h"

namespace vok::desktop {
namespace {

struct Write {
  const char* key;
  std::string value;
};

// GIO aborts the process on a schema or key it does not know: every one is
// looked up first, and a value outside a key's choices is refused here.
bool Usable(GSettingsSchema* schema, const Write& w) {
  if (!g_settings_schema_has_key(schema, w.key)) return false;
  GSettingsSchemaKey* key = g_settings_schema_get_key(schema, w.key);
  GVariant* value = g_variant_ref_sink(g_variant_new_string(w.value.c_str()));
  const bool ok = g_variant_type_equal(g_settings_schema_key_get_value_type(key), G_VARIANT_TYPE_STRING) &&
                  g_settings_schema_key_range_check(key, value);
  g_variant_unref(value);
  g_settings_schema_key_unref(key);
  return ok;
}

}  // namespace

const char* GSettingsSchemaFor(Desktop desktop) {
  switch (desktop) {
    case Desktop::Gnome: return "org.gnome.desktop.background";
    case Desktop::Cinnamon: return "org.cinnamon.desktop.background";
    case Desktop::Mate: return "org.mate.background";
    default: return nullptr;
  }
}

bool HasGSettingsSchema(const char* id) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr;
  if (schema) g_settings_schema_unref(schema);
  return schema != nullptr;
}

bool ShowWithGSettings(Desktop desktop, const std::string& pngPath, bool tiled) {
  const char* id = GSettingsSchemaFor(desktop);
  if (id == nullptr) return false;
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return false;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
  if (schema == nullptr) return false;

  std::vector<Write> writes;
  const std::string mode = tiled ? "wallpaper" : "centered";
  if (desktop == Desktop::Mate) {
    writes = {{"picture-filename", pngPath}, {"picture-options", mode}};
  } else {
    gchar* uri = g_filename_to_uri(pngPath.c_str(), nullptr, nullptr);
    if (uri == nullptr) {
      g_settings_schema_unref(schema);
      return false;
    }
    writes = {{"picture-uri", uri}, {"picture-options", mode}};
    // The dark style's picture, where the desktop has one.
    if (g_settings_schema_has_key(schema, "picture-uri-dark")) writes.push_back({"picture-uri-dark", uri});
    g_free(uri);
  }
  bool ok = true;
  for (const Write& w : writes) ok = ok && Usable(schema, w);
  if (!ok) {
    g_settings_schema_unref(schema);
    return false;
  }

  GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
  g_settings_schema_unref(schema);
  for (const Write& w : writes) ok = ok && g_settings_is_writable(settings, w.key);
  if (ok) {
    // All keys together, so the desktop never sees the new picture in the old mode.
    g_settings_delay(settings);
    for (const Write& w : writes) ok = g_settings_set_string(settings, w.key, w.value.c_str()) && ok;
    if (ok) {
      g_settings_apply(settings);
    } else {
      g_settings_revert(settings);
    }
    g_settings_sync();
    for (const Write& w : writes) {
      gchar* back = g_settings_get_string(settings, w.key);
      ok = ok && w.value == back;
      g_free(back);
    }
  }
  g_object_unref(settings);
  return ok;
}

}  // namespace vok::desktop
