# The host-bound parameters belong to quorvane_ae (defined in framework/host/ae.cmake).
target_sources(quorvane_ae PRIVATE
  BoundParameters.cpp
  BoundRegistration.cpp)
