# The control groups shared by glow, Spokewash and highlight, and the blend-mode items.
add_library(quorvane_shared_controls STATIC SharedControls.cpp)
target_link_libraries(quorvane_shared_controls PUBLIC quorvane_core)
quorvane_gbk_texts(quorvane_shared_controls)
