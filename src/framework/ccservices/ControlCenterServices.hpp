#pragma once

namespace fw {

// What loading the ControlCenterServices framework bundle brings in: the classes
// CCSModuleRepository and CCSModuleSettingsProvider become known to NSClassFromString.
// NSBundle::load of the framework's path calls it; nothing else should.
void registerControlCenterServicesClasses();

} // namespace fw
