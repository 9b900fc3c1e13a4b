// Filled in as the windows are built.
namespace {}
