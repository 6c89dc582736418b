// Anchor of the views library: keeps it a valid archive while it has no other source.
namespace vellum_ui_anchor {
int Anchor = 0;
}
