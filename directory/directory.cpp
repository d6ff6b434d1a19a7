// Placeholder translation unit so that the layer's library builds before it has sources.
namespace veralith::directory {
} // namespace veralith::directory
