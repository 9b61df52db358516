# quorvane_ae: the After Effects adaptor, render entry, entry point support and property list.
# framework/parameters/ae.cmake adds the bound parameters.
add_library(quorvane_ae STATIC
  ae/AfterEffectsHost.cpp
  ae/RenderEntry.cpp
  ae/SuiteCache.cpp
  ae/HostMemory.cpp
  ae/ControlChangeClock.cpp
  ae/EntryPoint.cpp
  ae/PropertyList.cpp)
set_target_properties(quorvane_ae PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_link_libraries(quorvane_ae PUBLIC quorvane_core)
quorvane_gbk_texts(quorvane_ae)
quorvane_utf8_sources(${CMAKE_CURRENT_SOURCE_DIR} ae/ControlChangeClock.cpp)

# Writes <name>.pipl beside each plug-in at build time (cmake/QuorvanePlugin.cmake).
add_executable(quorvane_pipl ae/PropertyListTool.cpp)
target_link_libraries(quorvane_pipl PRIVATE quorvane_ae)
