/* The floor for a headless first frame: set up fonts through Pango, draw one line of UI text
   onto a 1280x800 Cairo surface, and write it as a PNG. Nothing else. */
#include <pango/pangocairo.h>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1280, 800);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.07, 0.08, 0.09);
  cairo_paint(cr);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_from_string("Inter, DejaVu Sans Bold 22px");
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, "Remote machines", -1);
  cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
  cairo_move_to(cr, 88, 16);
  pango_cairo_show_layout(cr, layout);
  pango_font_description_free(font);
  g_object_unref(layout);
  cairo_destroy(cr);
  int ok = cairo_surface_write_to_png(surface, argv[1]) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok ? 0 : 1;
}
