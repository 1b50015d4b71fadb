// Anchor source of the resource library; the resources themselves are linked
// in as object files by qt_add_resources.
namespace VelkoraResources {
int anchor() { return 0; }
}
