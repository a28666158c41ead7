// Anchors the resource library.
namespace kelto { int assetsAnchor = 0; }
