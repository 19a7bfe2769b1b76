#!/usr/bin/python3
# A StatusNotifier watcher with a host, as a desktop's tray runs it on the session
# bus: it takes the items that register and writes each one's bus name to the log.
# usage: fake_watcher.py LOG
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
# The toolkit reads the host property through introspection: it has to be listed.
XML = """<node><interface name="org.kde.StatusNotifierWatcher">
<method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
<method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
<signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
</interface><interface name="org.freedesktop.DBus.Properties">
<method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
<method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
</interface></node>"""


class Watcher(dbus.service.Object):
    def __init__(self, bus, log):
        self.items = []
        self.log = log
        dbus.service.Object.__init__(self, bus, "/StatusNotifierWatcher")

    @dbus.service.method("org.freedesktop.DBus.Introspectable", in_signature="", out_signature="s")
    def Introspect(self):
        return XML

    @dbus.service.method(WATCHER, in_signature="s", out_signature="", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, item, sender=None):
        # An item names its service, or its object path on the caller's connection.
        name = sender if item.startswith("/") else item
        self.items.append(name)
        self.log.write(name + "\n")
        self.StatusNotifierItemRegistered(name)

    @dbus.service.method(WATCHER, in_signature="s", out_signature="")
    def RegisterStatusNotifierHost(self, host):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"IsStatusNotifierHostRegistered": dbus.Boolean(True),
                "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
                "ProtocolVersion": dbus.Int32(0)}


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
watcher = Watcher(bus, open(sys.argv[1], "a", buffering=1))
name = dbus.service.BusName(WATCHER, bus)
print("ready", flush=True)
GLib.MainLoop().run()
