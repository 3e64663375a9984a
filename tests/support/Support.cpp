// Anchors the support library; the helpers themselves live in headers and
// in the scripted platform.
