// Files in and out: chosen, dropped or named in the page's address (URLs
// relative to the page), monitor images kept in the browser's storage per
// model, and downloads. Nothing leaves the browser.

// What a dropped file is, by its name: 'snapshot', 'tape', 'labels',
// 'module', 'monitor', or null (then it is tried as a snapshot).
export function kindByName(name) {
  const extension = (/\.([^.]+)$/.exec(name) || [])[1];
  const kinds = { zvk: 'snapshot', ptp: 'tape', pmd: 'tape', wav: 'tape', lst: 'labels',
    rmm: 'module', rom: 'monitor' };
  return extension ? kinds[extension.toLowerCase()] || null : null;
}

export async function readFile(file) {
  return { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
}

export async function fetchFile(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`${url}: ${response.status} ${response.statusText}`);
  const name = decodeURIComponent(new URL(url, location.href).pathname.split('/').pop());
  return { name, bytes: new Uint8Array(await response.arrayBuffer()) };
}

const storageKey = (model) => `quillet.monitor.${model}`;

export function storedMonitor(model) {
  try {
    const text = localStorage.getItem(storageKey(model));
    return text ? Uint8Array.from(atob(text), (c) => c.charCodeAt(0)) : null;
  } catch {
    return null;
  }
}

export function storeMonitor(model, bytes) {
  try {
    localStorage.setItem(storageKey(model), btoa(String.fromCharCode(...bytes)));
  } catch {
    // A browser that keeps nothing: the image is asked for again next time.
  }
}

export function download(data, name, type) {
  const blob = data instanceof Blob ? data : new Blob([data], { type });
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

// Calls `take(file)` for each file dropped on `zone`.
export function acceptDrops(zone, take) {
  zone.addEventListener('dragover', (event) => { event.preventDefault(); zone.classList.add('over'); });
  zone.addEventListener('dragleave', () => zone.classList.remove('over'));
  zone.addEventListener('drop', (event) => {
    event.preventDefault();
    zone.classList.remove('over');
    for (const file of event.dataTransfer.files) take(file);
  });
}
