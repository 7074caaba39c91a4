// An LLRP session driven by llrpjs, an LLRP client written by others, against kestrel-llrp
// serving a simulated reader with the default scenario's three EPC tags.
//
//   node client_session.js HOST PORT     (NODE_PATH: the node_modules holding llrpjs)
//
// Connects, reads the capabilities, resets to factory defaults, runs an ROSpec that ends on
// its duration and reports the tags, runs one that is stopped and whose report is fetched,
// reads every tag's TID with an AccessSpec, deletes everything and closes. Exits 0 when every
// step answered as the standard says and the reports hold the simulated reader's tags.
"use strict";
const { LLRPClient, LLRPCore } = require("llrpjs");

const [host, port] = [process.argv[2], Number(process.argv[3])];
const EPCS = ["3000e2006811000000000001", "3000e2006811000000000002", "3400112233445566778899aa"];
const TIDS = {
    "3000e2006811000000000001": "e28011302000" + "3c1a00000001",
    "3000e2006811000000000002": "e28011302000" + "3c1a00000002",
    "3400112233445566778899aa": "e28011302000" + "3c1a00000003",
};

function fail(why) {
    console.error("FAIL: " + why);
    process.exit(1);
}
function list(x) {
    return x === undefined ? [] : Array.isArray(x) ? x : [x];
}
function hex(x) {
    if (typeof x === "string") return x.toLowerCase();
    if (Buffer.isBuffer(x)) return x.toString("hex");
    if (Array.isArray(x)) return x.map(w => w.toString(16).padStart(4, "0")).join("");
    return String(x);
}
async function expectOk(reader, message) {
    const rsp = await reader.transact(message, 5000);
    const data = rsp.toLLRPData().data;
    if (data.LLRPStatus.StatusCode !== "M_Success")
        fail(`${message.getName()}: ${data.LLRPStatus.StatusCode} ${data.LLRPStatus.ErrorDescription}`);
    console.log(`${message.getName()}: M_Success`);
    return data;
}
async function nextReport(reader, timeout) {
    for (;;) {
        const msg = await reader.recv(timeout);
        if (!msg) fail("no RO_ACCESS_REPORT within " + timeout + " ms");
        if (msg.getName() === "RO_ACCESS_REPORT") return msg.toLLRPData().data;
        console.log("(skipped " + msg.getName() + ")");
    }
}
function epcOf(tag) {
    return hex((tag.EPC_96 || tag.EPCData).EPC);
}
function epcsOf(report) {
    return list(report.TagReportData).map(epcOf);
}

function rospec(id, stop, duration, trigger, extra = {}) {
    return new LLRPCore.ADD_ROSPEC({
        data: {
            ROSpec: {
                ROSpecID: id, Priority: 0, CurrentState: "Disabled",
                ROBoundarySpec: {
                    ROSpecStartTrigger: { ROSpecStartTriggerType: "Null" },
                    ROSpecStopTrigger: { ROSpecStopTriggerType: stop, DurationTriggerValue: duration },
                },
                AISpec: {
                    AntennaIDs: [1],
                    AISpecStopTrigger: { AISpecStopTriggerType: "Null", DurationTrigger: 0 },
                    InventoryParameterSpec: { InventoryParameterSpecID: 7, ProtocolID: "EPCGlobalClass1Gen2" },
                },
                ROReportSpec: {
                    ROReportTrigger: trigger, N: 0,
                    TagReportContentSelector: Object.assign({
                        EnableROSpecID: true, EnableSpecIndex: true, EnableInventoryParameterSpecID: true,
                        EnableAntennaID: true, EnableChannelIndex: false, EnablePeakRSSI: false,
                        EnableFirstSeenTimestamp: true, EnableLastSeenTimestamp: true,
                        EnableTagSeenCount: true, EnableAccessSpecID: false,
                    }, extra),
                },
            },
        },
    });
}

(async () => {
    const reader = new LLRPClient({ host, port });
    reader.on("error", e => fail("client error: " + e.message));
    await reader.connect();
    const first = await reader.recv(5000);
    if (first.getName() !== "READER_EVENT_NOTIFICATION") fail("first message " + first.getName());
    const attempt = first.toLLRPData().data.ReaderEventNotificationData.ConnectionAttemptEvent;
    if (!attempt || attempt.Status !== "Success") fail("connection attempt event not Success");
    console.log("READER_EVENT_NOTIFICATION: ConnectionAttemptEvent Success");

    const caps = await expectOk(reader, new LLRPCore.GET_READER_CAPABILITIES({ data: { RequestedData: "All" } }));
    if (caps.GeneralDeviceCapabilities.MaxNumberOfAntennaSupported !== 4) fail("antenna count");
    const band = caps.RegulatoryCapabilities.UHFBandCapabilities;
    const powers = list(band.TransmitPowerLevelTableEntry).map(e => e.TransmitPowerValue);
    if (powers.length !== 19 || powers[0] !== 1500 || powers[18] !== 3300) fail("power table " + powers);
    console.log(`capabilities: 4 antennas, ${powers.length} power levels ${powers[0]}..${powers[18]}`);

    await expectOk(reader, new LLRPCore.SET_READER_CONFIG({ data: { ResetToFactoryDefault: true } }));
    await expectOk(reader, new LLRPCore.DELETE_ROSPEC({ data: { ROSpecID: 0 } }));

    // 1. An ROSpec that runs 400 ms and reports at its end.
    await expectOk(reader, rospec(11, "Duration", 400, "Upon_N_Tags_Or_End_Of_ROSpec"));
    await expectOk(reader, new LLRPCore.ENABLE_ROSPEC({ data: { ROSpecID: 11 } }));
    await expectOk(reader, new LLRPCore.START_ROSPEC({ data: { ROSpecID: 11 } }));
    const report = await nextReport(reader, 5000);
    const seen = epcsOf(report).sort();
    if (JSON.stringify(seen) !== JSON.stringify([...EPCS].sort())) fail("report EPCs " + seen);
    for (const t of list(report.TagReportData))
        if (t.ROSpecID.ROSpecID !== 11 || t.AntennaID.AntennaID !== 1 || t.SpecIndex.SpecIndex !== 1 ||
            t.InventoryParameterSpecID.InventoryParameterSpecID !== 7 || !(t.TagSeenCount.TagCount >= 1) ||
            !t.FirstSeenTimestampUTC || !t.LastSeenTimestampUTC || t.PeakRSSI || t.ChannelIndex)
            fail("report fields " + JSON.stringify(t));
    console.log("RO_ACCESS_REPORT: " + seen.join(" "));

    // 2. An ROSpec with no stop trigger, stopped by the client; its report fetched with GET_REPORT.
    await expectOk(reader, rospec(12, "Null", 0, "None"));
    await expectOk(reader, new LLRPCore.ENABLE_ROSPEC({ data: { ROSpecID: 12 } }));
    await expectOk(reader, new LLRPCore.START_ROSPEC({ data: { ROSpecID: 12 } }));
    await new Promise(r => setTimeout(r, 300));
    await expectOk(reader, new LLRPCore.STOP_ROSPEC({ data: { ROSpecID: 12 } }));
    await reader.send(new LLRPCore.GET_REPORT());
    const fetched = epcsOf(await nextReport(reader, 5000)).sort();
    if (JSON.stringify(fetched) !== JSON.stringify([...EPCS].sort())) fail("GET_REPORT EPCs " + fetched);
    console.log("GET_REPORT: " + fetched.join(" "));
    const specs = await expectOk(reader, new LLRPCore.GET_ROSPECS());
    if (list(specs.ROSpec).length !== 2) fail("GET_ROSPECS count");
    await expectOk(reader, new LLRPCore.DELETE_ROSPEC({ data: { ROSpecID: 0 } }));

    // 3. An AccessSpec reading each tag's TID (bank 2, 6 words).
    await expectOk(reader, new LLRPCore.ADD_ACCESSSPEC({
        data: {
            AccessSpec: {
                AccessSpecID: 21, AntennaID: 0, ProtocolID: "EPCGlobalClass1Gen2", CurrentState: false, ROSpecID: 0,
                AccessSpecStopTrigger: { AccessSpecStopTrigger: "Null", OperationCountValue: 0 },
                AccessCommand: {
                    C1G2TagSpec: { C1G2TargetTag: { MB: 1, Match: true, Pointer: 32, TagMask: "", TagData: "" } },
                    C1G2Read: { OpSpecID: 1, AccessPassword: 0, MB: 2, WordPointer: 0, WordCount: 6 },
                },
            },
        },
    }));
    await expectOk(reader, new LLRPCore.ENABLE_ACCESSSPEC({ data: { AccessSpecID: 21 } }));
    const access = await expectOk(reader, new LLRPCore.GET_ACCESSSPECS());
    if (list(access.AccessSpec).length !== 1) fail("GET_ACCESSSPECS count");
    await expectOk(reader, rospec(13, "Duration", 300, "Upon_N_Tags_Or_End_Of_ROSpec", { EnableAccessSpecID: true }));
    await expectOk(reader, new LLRPCore.ENABLE_ROSPEC({ data: { ROSpecID: 13 } }));
    await expectOk(reader, new LLRPCore.START_ROSPEC({ data: { ROSpecID: 13 } }));
    const accessReport = await nextReport(reader, 5000);
    const tids = {};
    for (const d of list(accessReport.TagReportData)) {
        for (const r of list(d.C1G2ReadOpSpecResult)) {
            if (r.Result !== "Success") fail("read result " + JSON.stringify(r));
            if (d.AccessSpecID.AccessSpecID !== 21) fail("AccessSpecID in report");
            tids[epcOf(d)] = hex(r.ReadData);
        }
    }
    for (const epc of EPCS)
        if (tids[epc] !== TIDS[epc]) fail(`TID of ${epc}: ${tids[epc]} (want ${TIDS[epc]})`);
    console.log("AccessSpec TIDs: " + EPCS.map(e => tids[e]).join(" "));
    await expectOk(reader, new LLRPCore.DELETE_ACCESSSPEC({ data: { AccessSpecID: 0 } }));
    await expectOk(reader, new LLRPCore.DELETE_ROSPEC({ data: { ROSpecID: 0 } }));

    await expectOk(reader, new LLRPCore.CLOSE_CONNECTION());
    await reader.disconnect();
    console.log("PASS");
    process.exit(0);
})().catch(e => fail(e && e.stack ? e.stack : String(e)));
