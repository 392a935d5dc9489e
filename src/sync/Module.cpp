// Keeps the module's library non-empty while its windows are being built.
namespace qs { void syncModuleAnchor() {} }
